#include "app/SingleInstance.h"
#include "platform/linux/LinuxPlatform.h"
#include "platform/linux/XdgAutostart.h"
#include "support/TestMain.h"

#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QLockFile>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <atomic>
#include <cstring>
#include <thread>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

void writeFile(const QString& path, const QByteArray& text) {
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(text);
}

// Leaves a socket file behind with nobody listening, as a crashed run does.
bool leaveStaleSocket(const QString& path) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    if (fd < 0)
        return false;
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray bytes = QFile::encodeName(path);
    if (size_t(bytes.size()) >= sizeof(address.sun_path)) {
        ::close(fd);
        return false;
    }
    std::memcpy(address.sun_path, bytes.constData(), size_t(bytes.size()));
    const bool bound = ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0;
    ::close(fd);
    return bound && QFile::exists(path);
}

} // namespace

class StartupTest final : public QObject {
    Q_OBJECT

    QString uniqueName() {
        return SingleInstance::serverName(QStringLiteral("test"),
                                          m_dir.filePath(QString::number(++m_names)));
    }

    QTemporaryDir m_dir;
    int m_names = 0;

private Q_SLOTS:
    void aSecondStartReachesTheFirst() {
        const QString name = uniqueName();
        SingleInstance first(name);
        QVERIFY(!first.askFirstToReopen(std::chrono::milliseconds(200)));
        QVERIFY(first.listen());
        QSignalSpy reopened(&first, &SingleInstance::reopenRequested);

        // The second start waits blocking for the answer, which the first gives from its event
        // loop: here they are two threads.
        std::atomic<int> answered{-1};
        std::thread second([&] { answered = SingleInstance(name).askFirstToReopen() ? 1 : 0; });
        QTRY_VERIFY(answered != -1);
        second.join();
        QCOMPARE(answered.load(), 1);
        QCOMPARE(reopened.count(), 1);
    }

    void aStartThatLosesTheLockWaitsForTheWinnerToListen() {
        const QString name = uniqueName();
        SingleInstance first(name);
        // The winner holds the lock but is still on its way to listening.
        QLockFile lock(first.lockFileName());
        QVERIFY(lock.tryLock());
        std::atomic<int> claim{-1};
        std::thread second(
            [&] { claim = int(SingleInstance(name).claim(std::chrono::seconds(10))); });
        QTest::qWait(300);
        QCOMPARE(claim.load(), -1);
        QVERIFY(first.listen());
        QTRY_VERIFY(claim != -1);
        second.join();
        QCOMPARE(claim.load(), int(SingleInstance::Claim::handedOver));
    }

    void aStaleSocketDoesNotBlockTheNextStart() {
        const QString name = uniqueName();
        QVERIFY(leaveStaleSocket(QDir::temp().filePath(name)));
        SingleInstance next(name);
        QVERIFY(!next.askFirstToReopen(std::chrono::milliseconds(500)));
        QVERIFY(next.listen());
        QLocalServer::removeServer(name);
    }

    void autostartEntryStates_data() {
        QTest::addColumn<QByteArray>("entry"); // empty: no file
        QTest::addColumn<bool>("enabled");
        QTest::newRow("absent") << QByteArray() << false;
        QTest::newRow("plain") << QByteArray("[Desktop Entry]\nType=Application\nExec=k\n") << true;
        QTest::newRow("hidden") << QByteArray("[Desktop Entry]\nExec=k\nHidden=true\n") << false;
        QTest::newRow("disabled for GNOME")
            << QByteArray("[Desktop Entry]\nX-GNOME-Autostart-enabled=false\n") << false;
        QTest::newRow("hidden only in another group")
            << QByteArray("[Desktop Entry]\nExec=k\n[Desktop Action x]\nHidden=true\n") << true;
    }

    void autostartEntryStates() {
        QFETCH(QByteArray, entry);
        QFETCH(bool, enabled);
        QTemporaryDir folder;
        XdgAutostart autostart(folder.path());
        if (!entry.isEmpty())
            writeFile(autostart.entryPath(), entry);
        QCOMPARE(autostart.isEnabled(), enabled);
    }

    void loginItemWritesAndRemovesTheEntry() {
        QTemporaryDir home;
        const QString folder = home.filePath(QStringLiteral("config/autostart"));
        LinuxPlatform platform(
            {home.filePath(QStringLiteral("bin")), QStringLiteral("/opt/My Apps/kalvane"), folder});
        QVERIFY(!platform.loginItemEnabled());
        QString error;
        QVERIFY(platform.setLoginItemEnabled(true, &error));
        QVERIFY(platform.loginItemEnabled());
        QFile file(folder + QStringLiteral("/org.tessaly.Kalvane.desktop"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray text = file.readAll();
        QVERIFY(text.contains("Type=Application\n"));
        QVERIFY(text.contains("Exec=\"/opt/My Apps/kalvane\"\n"));
        QVERIFY(text.contains("X-GNOME-Autostart-enabled=true\n"));
        file.close();

        QVERIFY(platform.setLoginItemEnabled(false, &error));
        QVERIFY(!platform.loginItemEnabled());
        QVERIFY(!file.exists());
        // Off twice is still off, not an error.
        QVERIFY(platform.setLoginItemEnabled(false, &error));
    }

    void execQuoting_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("exec");
        QTest::newRow("plain") << "/usr/bin/kalvane"
                               << R"("/usr/bin/kalvane")";
        QTest::newRow("space") << "/opt/a b/kalvane"
                               << R"("/opt/a b/kalvane")";
        QTest::newRow("quote and dollar") << R"(/x/"$HOME"/k)"
                                          << R"("/x/\\"\\$HOME\\"/k")";
        QTest::newRow("backslash") << R"(/x\y/k)"
                                   << R"("/x\\\\y/k")";
        QTest::newRow("percent") << "/x/100%/k"
                                 << R"("/x/100%%/k")";
    }

    void execQuoting() {
        QFETCH(QString, path);
        QFETCH(QString, exec);
        QCOMPARE(XdgAutostart::quotedExec(path), exec);
    }

    void installedCopyRunsFromTheInstallFolder_data() {
        QTest::addColumn<QString>("executable");
        QTest::addColumn<QString>("binFolder");
        QTest::addColumn<bool>("installed");
        QTest::newRow("installed") << "/usr/local/bin/kalvane"
                                   << "/usr/local/bin" << true;
        QTest::newRow("build tree") << "/home/a/src/build/kalvane"
                                    << "/usr/local/bin" << false;
        QTest::newRow("below the folder") << "/usr/local/bin/x/kalvane"
                                          << "/usr/local/bin" << false;
        QTest::newRow("other prefix") << "/usr/bin/kalvane"
                                      << "/usr/local/bin" << false;
        QTest::newRow("dots") << "/usr/local/bin/../bin/kalvane"
                              << "/usr/local/bin/" << true;
        QTest::newRow("no folder configured") << "/usr/bin/kalvane"
                                              << "" << false;
    }

    void installedCopyRunsFromTheInstallFolder() {
        QFETCH(QString, executable);
        QFETCH(QString, binFolder);
        QFETCH(bool, installed);
        QCOMPARE(LinuxPlatform::runsFrom(executable, binFolder), installed);
        const LinuxPlatform platform({binFolder, executable, QString()});
        QCOMPARE(platform.isInstalledCopy(), installed);
    }
};

KALVANE_TEST_MAIN_CORE(StartupTest)
#include "StartupTest.moc"
