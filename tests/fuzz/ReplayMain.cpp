// Runs a fuzz target over saved inputs without libFuzzer: every file named on the command
// line, and every file inside the folders named there. The test suite replays the corpus
// this way in seconds; crashes and sanitizer reports end the run as they would under the
// fuzzer.
#include "FuzzInput.h"

#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

#include <cstdio>

namespace {

bool replayFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "cannot read %s\n", qPrintable(path));
        return false;
    }
    const QByteArray data = file.readAll();
    LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(data.constData()),
                           static_cast<std::size_t>(data.size()));
    return true;
}

} // namespace

int main(int argc, char** argv) {
    int replayed = 0;
    for (int i = 1; i < argc; ++i) {
        const QString path = QString::fromLocal8Bit(argv[i]);
        if (QFileInfo(path).isDir()) {
            QDirIterator files(path, QDir::Files, QDirIterator::Subdirectories);
            while (files.hasNext()) {
                if (!replayFile(files.next()))
                    return 1;
                ++replayed;
            }
        } else {
            if (!replayFile(path))
                return 1;
            ++replayed;
        }
    }
    std::printf("%d inputs replayed\n", replayed);
    // An empty corpus would make the replay pass without testing anything.
    return replayed > 0 ? 0 : 1;
}
