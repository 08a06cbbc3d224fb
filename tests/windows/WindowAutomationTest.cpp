#include "support/TestMain.h"

#include <QDir>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

namespace {

struct Run {
    int exitCode = -1;
    QString errors;
};

Run runApp(const QString& home, const QStringList& arguments) {
    QProcess app;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home);
    environment.remove(QStringLiteral("KLV_POWERPOINT_SCRIPT"));
    app.setProcessEnvironment(environment);
    app.start(qEnvironmentVariable("KALVANE_BINARY"), arguments);
    if (!app.waitForFinished(30000))
        return {};
    return {app.exitCode(), QString::fromLocal8Bit(app.readAllStandardError())};
}

QJsonObject readJson(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QJsonDocument::fromJson(file.readAll()).object();
}

QJsonObject findControl(const QJsonObject& window, const QString& kind, const QString& text) {
    for (const QJsonValue& control : window[QStringLiteral("controls")].toArray())
        if (control[QStringLiteral("kind")].toString() == kind &&
            control[QStringLiteral("text")].toString() == text)
            return control.toObject();
    return {};
}

} // namespace

class WindowAutomationTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void openWindowWritesTheOpenWindowsEverySecond() {
        QTemporaryDir home;
        QDir(home.path()).mkpath(QStringLiteral("Tessaly"));
        QFile ini(home.filePath(QStringLiteral("Tessaly/Kalvane.ini")));
        QVERIFY(ini.open(QIODevice::WriteOnly));
        ini.write("[General]\nstagetimerRoom=ROOM7\nstagetimerKey=topsecret-key\n"
                  "overlayOpacity=0.333\n");
        ini.close();
        const QString shots = home.filePath(QStringLiteral("shots"));
        const Run run =
            runApp(home.path(),
                   {QStringLiteral("--lang"), QStringLiteral("en"), QStringLiteral("--open-window"),
                    QStringLiteral("settings"), QStringLiteral("--open-window"),
                    QStringLiteral("stagetimer"), QStringLiteral("--snapshot-dir"), shots,
                    QStringLiteral("--quit-after"), QStringLiteral("1.2")});
        QVERIFY2(run.exitCode == 0, qPrintable(run.errors));

        const QJsonObject settings = readJson(shots + QStringLiteral("/window-settings.json"));
        QCOMPARE(settings[QStringLiteral("title")].toString(),
                 QStringLiteral("Tessaly Kalvane – Settings"));
        QCOMPARE(settings[QStringLiteral("width")].toInt(), 560);
        const QJsonObject slider =
            findControl(settings, QStringLiteral("slider"), QStringLiteral("Background"));
        QCOMPARE(slider[QStringLiteral("value")].toDouble(), 0.333);
        QVERIFY(!findControl(settings, QStringLiteral("label"), QStringLiteral("33 %")).isEmpty());
        const QJsonObject picker =
            findControl(settings, QStringLiteral("picker"), QStringLiteral("Language"));
        QCOMPARE(picker[QStringLiteral("value")].toString(), QStringLiteral("Automatic"));
        QCOMPARE(picker[QStringLiteral("items")].toArray().size(), 4);
        QCOMPARE(QImage(shots + QStringLiteral("/window-settings.png")).width(), 1120);

        QFile stagetimer(shots + QStringLiteral("/window-stagetimer.json"));
        QVERIFY(stagetimer.open(QIODevice::ReadOnly));
        const QByteArray text = stagetimer.readAll();
        QVERIFY(!text.contains("topsecret"));
        const QJsonObject room = findControl(QJsonDocument::fromJson(text).object(),
                                             QStringLiteral("field"), QStringLiteral("Room ID"));
        QCOMPARE(room[QStringLiteral("value")].toString(), QStringLiteral("ROOM7"));
        // Not asked for, not written.
        QVERIFY(!QFile::exists(shots + QStringLiteral("/window-ontime.json")));
    }
};

KALVANE_TEST_MAIN_CORE(WindowAutomationTest)
#include "WindowAutomationTest.moc"
