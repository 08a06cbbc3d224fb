#include "settings/SettingsStore.h"
#include "support/ScriptedHttpServer.h"
#include "support/TestMain.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>

#include <memory>
#include <vector>

namespace {

QJsonObject readJson(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QJsonDocument::fromJson(file.readAll()).object();
}

// Pixels of the time's running tone (pure white); nothing else in the card is fully white.
int whitePixels(const QImage& image) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            count += c.red() > 245 && c.green() > 245 && c.blue() > 245 && c.alpha() > 245;
        }
    }
    return count;
}

using Response = ScriptedHttpServer::Response;

QByteArray sample(const QString& name) {
    QFile file(QStringLiteral(KALVANE_ONTIME_SAMPLES) + u'/' + name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// An Ontime 4.11 server on loopback, playing "Pre-show Countdown".
void scriptOntime(ScriptedHttpServer& server) {
    server.setResponse(QStringLiteral("api/version"), Response::json(R"({"payload":"4.11.0"})"));
    server.setResponse(QStringLiteral("api/poll"),
                       Response::json(sample(QStringLiteral("v4.11.0_api_poll_playing.json"))));
}

// The real program with its own settings folder, talking to loopback only. The test's own
// servers answer from this process's event loop, so waiting spins it.
class Kalvane {
public:
    explicit Kalvane(const QString& configHome) {
        m_environment = QProcessEnvironment::systemEnvironment();
        m_environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        m_environment.insert(QStringLiteral("XDG_CONFIG_HOME"), configHome);
        // A private runtime folder, as a desktop session has; without one Qt warns about it.
        m_environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), configHome);
        // Set but empty: the search probes this computer only.
        m_environment.insert(QStringLiteral("KLV_SCAN_INTERFACES"), QString());
        m_environment.insert(QStringLiteral("KLV_STAGETIMER_CLOUD"),
                             QStringLiteral("http://127.0.0.1:9/v1"));
        m_environment.remove(QStringLiteral("KLV_POWERPOINT_SCRIPT"));
    }

    // The settings file this run reads.
    static QString settingsFile(const QString& configHome) {
        return configHome + QStringLiteral("/Tessaly/Kalvane.ini");
    }

    void setEnvironment(const QString& name, const QString& value) {
        m_environment.insert(name, value);
    }

    void start(const QStringList& arguments) {
        m_process.setProcessEnvironment(m_environment);
        m_process.start(qEnvironmentVariable("KALVANE_BINARY"),
                        QStringList{QStringLiteral("--lang"), QStringLiteral("de")} + arguments);
    }

    bool finished(int timeoutMs = 30000) {
        QElapsedTimer clock;
        clock.start();
        while (m_process.state() != QProcess::NotRunning && clock.elapsed() < timeoutMs)
            QTest::qWait(20);
        return m_process.state() == QProcess::NotRunning;
    }

    QString errors() { return QString::fromLocal8Bit(m_process.readAllStandardError()); }
    QProcess& process() { return m_process; }

private:
    QProcessEnvironment m_environment;
    QProcess m_process;
};

QList<QJsonObject> statuses(const QString& folder) {
    QList<QJsonObject> list;
    const QStringList names =
        QDir(folder).entryList({QStringLiteral("status-*.json")}, QDir::Files, QDir::Name);
    for (const QString& name : names)
        list << readJson(folder + u'/' + name);
    return list;
}

} // namespace

class AppEndToEndTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void aStoredSourceIsOnTheCardWithinTwoSeconds_data() {
        QTest::addColumn<bool>("ontime");
        QTest::addColumn<QString>("caption");
        QTest::newRow("Ontime server") << true << QStringLiteral("Pre-show Countdown");
        QTest::newRow("Stagetimer desktop room") << false << QStringLiteral("Room timer");
    }

    void aStoredSourceIsOnTheCardWithinTwoSeconds() {
        QFETCH(bool, ontime);
        QFETCH(QString, caption);
        ScriptedHttpServer server;
        QVERIFY(server.listen());
        scriptOntime(server);
        server.setResponse(QStringLiteral("api/v1/get_status"),
                           Response::json(R"({"ok":true,"data":{"timer_id":"t1","running":false,)"
                                          R"("start":1000,"finish":301000,"pause":0}})"));
        server.setResponse(QStringLiteral("api/v1/get_timer"),
                           Response::json(R"({"ok":true,"data":{"name":"Room timer"}})"));
        QTemporaryDir home;
        {
            SettingsStore settings(Kalvane::settingsFile(home.path()));
            settings.setBool(ontime ? SettingsKey::ontimeEnabled : SettingsKey::stagetimerEnabled,
                             true);
            settings.setString(SettingsKey::timerSource,
                               ontime ? QStringLiteral("ontime") : QStringLiteral("stagetimer"));
            settings.setString(SettingsKey::ontimeHost, server.host());
            settings.setInt(SettingsKey::ontimePort, server.port());
            settings.setString(SettingsKey::stagetimerRoom, QStringLiteral("ROOM1"));
            settings.setString(SettingsKey::stagetimerKey, QStringLiteral("KEY1"));
            settings.setString(SettingsKey::stagetimerServer,
                               server.host() + u':' + QString::number(server.port()));
        }
        const QString shots = home.filePath(QStringLiteral("shots"));
        Kalvane app(home.path());
        app.start({QStringLiteral("--simulate-show"), QStringLiteral("1"),
                   QStringLiteral("--snapshot-dir"), shots, QStringLiteral("--quit-after"),
                   QStringLiteral("2.3")});
        QVERIFY(app.finished());
        QVERIFY2(app.process().exitCode() == 0, qPrintable(app.errors()));

        // The second snapshot, two seconds after the start.
        const QJsonObject card = readJson(shots + QStringLiteral("/overlay-002.json"));
        QVERIFY(card.value(QStringLiteral("visible")).toBool());
        QCOMPARE(card.value(QStringLiteral("caption")).toString(), caption);
        const QJsonObject status = readJson(shots + QStringLiteral("/status-002.json"));
        QVERIFY(status.value(QStringLiteral("sourceLine"))
                    .toString()
                    .startsWith(ontime ? u"Ontime – " : u"Stagetimer – "));
        QVERIFY(status.value(QStringLiteral("sourceOK")).toBool());
    }

    void anEmptyStoreSearchesDuringTheShow() {
        QTemporaryDir home;
        const QString shots = home.filePath(QStringLiteral("shots"));
        Kalvane app(home.path());
        app.start({QStringLiteral("--simulate-show"), QStringLiteral("1"),
                   QStringLiteral("--snapshot-dir"), shots, QStringLiteral("--quit-after"),
                   QStringLiteral("1.3")});
        QVERIFY(app.finished());
        const QJsonObject status = readJson(shots + QStringLiteral("/status-001.json"));
        QCOMPARE(status.value(QStringLiteral("sourceLine")).toString(),
                 QStringLiteral("Interner Timer – suche Ontime und Stagetimer …"));
        QVERIFY(status.value(QStringLiteral("scanning")).toBool());
        QVERIFY(status.value(QStringLiteral("overlayVisible")).toBool());
        // The menu as it would open: the search row is disabled while the search runs.
        const QJsonArray rows =
            readJson(shots + QStringLiteral("/menu.json")).value(QStringLiteral("rows")).toArray();
        QCOMPARE(rows.size(), 9);
        QCOMPARE(rows[5].toObject().value(QStringLiteral("title")).toString(),
                 QStringLiteral("Timer im Netzwerk suchen"));
        QVERIFY(!rows[5].toObject().value(QStringLiteral("enabled")).toBool());
        QCOMPARE(rows[8].toObject().value(QStringLiteral("shortcut")).toString(),
                 QStringLiteral("Strg+Q"));
    }

    void aServerFoundDuringTheShowIsOfferedAtItsEnd() {
        ScriptedHttpServer server;
        QVERIFY(server.listen());
        scriptOntime(server);
        // A search on loopback would be over before the watcher's first report of the show
        // (half a second after the start); on a real network hosts that never answer make it
        // last longer. One such host here, on the same port.
        ScriptedHttpServer silentHost;
        QVERIFY(silentHost.listen(QHostAddress(QStringLiteral("127.0.1.82")), server.port()));
        Response silent;
        silent.silent = true;
        silentHost.setHandler([silent](const ScriptedHttpServer::Request&) { return silent; });
        QTemporaryDir home;
        {
            SettingsStore settings(Kalvane::settingsFile(home.path()));
            settings.setInt(SettingsKey::ontimePort, server.port());
        }
        const QString shots = home.filePath(QStringLiteral("shots"));
        Kalvane app(home.path());
        app.setEnvironment(QStringLiteral("KLV_SCAN_INTERFACES"),
                           QStringLiteral("en9=127.0.1.81/30"));
        app.start({QStringLiteral("--simulate-show"), QStringLiteral("1"),
                   QStringLiteral("--simulate-end-after"), QStringLiteral("2.5"),
                   QStringLiteral("--choose"), QStringLiteral("1"),
                   QStringLiteral("--snapshot-dir"), shots, QStringLiteral("--quit-after"),
                   QStringLiteral("4.2")});
        QVERIFY(app.finished());
        QVERIFY2(app.process().exitCode() == 0, qPrintable(app.errors()));

        const QString chooserFile = shots + QStringLiteral("/chooser-001.json");
        const QJsonObject chooser = readJson(chooserFile);
        QCOMPARE(chooser.value(QStringLiteral("message")).toString(),
                 QStringLiteral("Timer gefunden"));
        const QString label = server.host() + u':' + QString::number(server.port()) +
                              QStringLiteral(" – Ontime 4.11.0");
        QCOMPARE(chooser.value(QStringLiteral("choices")).toArray(),
                 QJsonArray({label, QStringLiteral("Interner Timer (Vortragszeit)")}));
        QCOMPARE(chooser.value(QStringLiteral("selected")).toInt(), 0);
        QVERIFY(!QImage(shots + QStringLiteral("/chooser-001.png")).isNull());
        QVERIFY(!QFile::exists(shots + QStringLiteral("/chooser-002.json")));

        // The search was over while the show still ran, and the chooser came only after it.
        const QDateTime chooserTime = QFileInfo(chooserFile).lastModified();
        const QStringList names =
            QDir(shots).entryList({QStringLiteral("status-*.json")}, QDir::Files, QDir::Name);
        bool searchEndedDuringShow = false;
        for (const QString& name : names) {
            const QJsonObject status = readJson(shots + u'/' + name);
            if (!status.value(QStringLiteral("powerPointLine"))
                     .toString()
                     .startsWith(u"Präsentation"))
                continue;
            searchEndedDuringShow |= !status.value(QStringLiteral("scanning")).toBool();
            QVERIFY2(QFileInfo(shots + u'/' + name).lastModified() < chooserTime, qPrintable(name));
        }
        QVERIFY(searchEndedDuringShow);
        // Row 1 chose the server.
        const QJsonObject last = statuses(shots).last();
        QVERIFY(last.value(QStringLiteral("sourceLine")).toString().startsWith(u"Ontime – "));
        QVERIFY(last.value(QStringLiteral("sourceOK")).toBool());
    }

    void pollingStopsWithinASecondOfPowerPointQuitting() {
        ScriptedHttpServer server;
        QVERIFY(server.listen());
        scriptOntime(server);
        QElapsedTimer clock;
        clock.start();
        QList<qint64> pollTimes;
        connect(&server, &ScriptedHttpServer::requestReceived, this,
                [&](const ScriptedHttpServer::Request& request) {
                    if (request.path == u"api/poll")
                        pollTimes << clock.elapsed();
                });
        QTemporaryDir home;
        {
            SettingsStore settings(Kalvane::settingsFile(home.path()));
            settings.setBool(SettingsKey::ontimeEnabled, true);
            settings.setString(SettingsKey::ontimeHost, server.host());
            settings.setInt(SettingsKey::ontimePort, server.port());
        }
        // PowerPoint runs, without a slide show, while this command exists.
        const QString powerPoint = home.filePath(QStringLiteral("powerpoint"));
        {
            QFile script(powerPoint);
            QVERIFY(script.open(QIODevice::WriteOnly));
            script.write("#!/bin/sh\necho -1\n");
        }
        QFile::setPermissions(powerPoint, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        Kalvane app(home.path());
        app.setEnvironment(QStringLiteral("KLV_POWERPOINT_SCRIPT"), powerPoint);
        app.start({QStringLiteral("--quit-after"), QStringLiteral("20")});
        QTRY_VERIFY_WITH_TIMEOUT(pollTimes.size() >= 3, 10000);

        QVERIFY(QFile::remove(powerPoint));
        const qint64 quit = clock.elapsed();
        QTest::qWait(2000);
        app.process().kill();
        QVERIFY(app.finished());
        QVERIFY(!pollTimes.isEmpty());
        QVERIFY2(
            pollTimes.last() <= quit + 1000,
            qPrintable(
                QStringLiteral("last poll %1 ms after quitting").arg(pollTimes.last() - quit)));
    }

    void aSecondStartOpensTheFirstsSettingsAndEnds() {
        QTemporaryDir home;
        const QString shots = home.filePath(QStringLiteral("shots"));
        Kalvane first(home.path());
        first.start({QStringLiteral("--snapshot-dir"), shots, QStringLiteral("--quit-after"),
                     QStringLiteral("4")});
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(shots + QStringLiteral("/status-001.json")), 10000);
        QVERIFY(!readJson(shots + QStringLiteral("/status-001.json"))
                     .value(QStringLiteral("settingsVisible"))
                     .toBool());

        Kalvane second(home.path());
        second.start({});
        QVERIFY(second.finished());
        QCOMPARE(second.process().exitStatus(), QProcess::NormalExit);
        QCOMPARE(second.process().exitCode(), 0);
        const QString errors = second.errors();
        QCOMPARE(errors.count(u'\n'), 1);
        QVERIFY2(errors.contains(QStringLiteral("läuft bereits")), qPrintable(errors));

        QVERIFY(first.finished());
        QCOMPARE(first.process().exitCode(), 0);
        QVERIFY(statuses(shots).last().value(QStringLiteral("settingsVisible")).toBool());
    }

    void startsAtTheSameMomentLeaveOneRunning() {
        for (int round = 0; round < 3; ++round) {
            QTemporaryDir home;
            std::vector<std::unique_ptr<Kalvane>> starts;
            for (int i = 0; i < 4; ++i)
                starts.push_back(std::make_unique<Kalvane>(home.path()));
            for (const auto& start : starts)
                start->start({QStringLiteral("--quit-after"), QStringLiteral("3")});
            QString errors;
            for (const auto& start : starts) {
                QVERIFY(start->finished());
                QCOMPARE(start->process().exitCode(), 0);
                errors += start->errors();
            }
            QCOMPARE(errors.count(QStringLiteral("läuft bereits")), 3);
        }
    }

    void unusableAutomationValuesAreSaidOnce() {
        QTemporaryDir home;
        QSettings(Kalvane::settingsFile(home.path()), QSettings::IniFormat)
            .setValue(QStringLiteral("automation/quitAfter"), QStringLiteral("inf"));
        const QString file = home.filePath(QStringLiteral("a-file"));
        QFile(file).open(QIODevice::WriteOnly);
        Kalvane app(home.path());
        app.start({QStringLiteral("--snapshot-dir"), file, QStringLiteral("--quit-after"),
                   QStringLiteral("2")});
        QVERIFY(app.finished());
        QCOMPARE(app.process().exitCode(), 0);
        const QString errors = app.errors();
        QCOMPARE(errors.count(QStringLiteral("automation/quitAfter (inf)")), 1);
        QCOMPARE(errors.count(QStringLiteral("cannot write snapshots into")), 1);
    }

    void simulatedSlideShowShowsTheTalkTimer() {
        QTemporaryDir home;
        const QString shots = home.filePath(QStringLiteral("shots"));
        QProcess app;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home.path());
        environment.remove(QStringLiteral("KLV_POWERPOINT_SCRIPT"));
        app.setProcessEnvironment(environment);
        app.start(qEnvironmentVariable("KALVANE_BINARY"),
                  {QStringLiteral("--lang"), QStringLiteral("de"),
                   QStringLiteral("--simulate-show"), QStringLiteral("1"),
                   QStringLiteral("--simulate-change-after"), QStringLiteral("2.2"),
                   QStringLiteral("--snapshot-dir"), shots, QStringLiteral("--quit-after"),
                   QStringLiteral("5")});
        QVERIFY(app.waitForFinished(30000));
        QCOMPARE(app.exitStatus(), QProcess::NormalExit);
        const QString errors = QString::fromLocal8Bit(app.readAllStandardError());
        QVERIFY2(app.exitCode() == 0, qPrintable(errors));
        // Without a tray (offscreen has none) the app says so once and carries on.
        QCOMPARE(errors.count(QStringLiteral("Kein Infobereich für das Symbol gefunden")), 1);

        // Before the first slide change: shown, waiting for the first click.
        const QJsonObject first = readJson(shots + QStringLiteral("/overlay-001.json"));
        QVERIFY(first.value(QStringLiteral("visible")).toBool());
        QCOMPARE(first.value(QStringLiteral("caption")).toString(),
                 QStringLiteral("Vortragszeit – startet mit dem ersten Klick"));
        QCOMPARE(first.value(QStringLiteral("time")).toString(), QStringLiteral("00:00:00"));
        QCOMPARE(first.value(QStringLiteral("tone")).toString(), QStringLiteral("idle"));

        // After it: counting in the running tone.
        const QStringList snapshots =
            QDir(shots).entryList({QStringLiteral("overlay-*.json")}, QDir::Files, QDir::Name);
        QVERIFY(snapshots.size() >= 4);
        const QJsonObject last = readJson(shots + u'/' + snapshots.last());
        QVERIFY(last.value(QStringLiteral("visible")).toBool());
        QCOMPARE(last.value(QStringLiteral("caption")).toString(), QStringLiteral("Vortragszeit"));
        QCOMPARE(last.value(QStringLiteral("tone")).toString(), QStringLiteral("running"));
        QVERIFY(last.value(QStringLiteral("time")).toString() > QStringLiteral("00:00:00"));

        // The pictures show it too: grey digits first, white ones once the clock runs.
        const QImage firstImage(shots + QStringLiteral("/overlay-001.png"));
        QString lastPng = snapshots.last();
        lastPng.replace(QStringLiteral(".json"), QStringLiteral(".png"));
        const QImage lastImage(shots + u'/' + lastPng);
        QCOMPARE(firstImage.size(), QSize(760, 340));
        QCOMPARE(whitePixels(firstImage), 0);
        QVERIFY(whitePixels(lastImage) > 200);
        QVERIFY(QFile::exists(shots + QStringLiteral("/menu.png")));
        QVERIFY(!QImage(shots + QStringLiteral("/tray-icon.png")).isNull());
    }
};

KALVANE_TEST_MAIN_CORE(AppEndToEndTest)
#include "AppEndToEndTest.moc"
