// The translation table as a file, and the texts in it filled as the program fills them.
#include "FuzzInput.h"

#include "l10n/Format.h"
#include "l10n/L10n.h"

#include <QFile>
#include <QTemporaryDir>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static QTemporaryDir folder;
    static const QString path = folder.filePath(QStringLiteral("strings.json"));
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return 0;
        file.write(fuzz::bytes(data, size));
    }
    const L10n::Table table = L10n::loadTable(path);
    const QVariantList values{QStringLiteral("127.0.0.1"), 4001, QStringLiteral("%@%d")};
    for (auto entry = table.begin(); entry != table.end(); ++entry) {
        L10n::fill(entry.key(), values);
        for (const QString& translation : *entry)
            L10n::fill(translation, values);
    }
    // The filler itself on raw text, without a table around it.
    L10n::fill(fuzz::text(data, size), values);
    return 0;
}
