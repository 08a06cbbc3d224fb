#include "ontime/OntimeModel.h"
#include "app/OntimeDisplay.h"
#include "async/RequestSessions.h"
#include "discovery/Interfaces.h"
#include "l10n/L10n.h"
#include "ontime/OntimeFakes.h"
#include "ontime/OntimeRecords.h"
#include "settings/SettingsStore.h"
#include "support/MockClock.h"
#include "support/ScriptedHttpServer.h"
#include "support/TestMain.h"

#include <QSignalSpy>

using namespace std::chrono_literals;
using Response = ScriptedHttpServer::Response;

namespace {

QByteArray playing(double currentMs) {
    return QByteArray(R"({"payload":{"timer":{"current":)") + QByteArray::number(currentMs) +
           R"(,"playback":"play","duration":600000}}})";
}

OntimeModel::Timing fastTiming() {
    OntimeModel::Timing timing;
    timing.pollInterval = 20ms;
    timing.rescanPause = 150ms;
    timing.requestTimeout = 150ms;
    timing.scanTimeout = 300ms;
    // The poll's own behaviour; the socket has tests of its own.
    timing.preferSocket = false;
    return timing;
}

OntimeServer serverAt(const ScriptedHttpServer& server, const char* version = "4.11.0") {
    return OntimeServer{server.host(), server.port(), OntimeAPI::v3, QString::fromLatin1(version)};
}

// What the model showed when a poll request reached the server.
struct Seen {
    bool hasServer;
    bool connected;
    QString status;
};

// The scan's networks in these tests: 127.0.8.42 to 127.0.8.46, and this computer.
const QString scanInterface = QStringLiteral("en9=127.0.8.41/29");
const QStringList scanHosts{QStringLiteral("127.0.0.1"),  QStringLiteral("127.0.8.42"),
                            QStringLiteral("127.0.8.43"), QStringLiteral("127.0.8.44"),
                            QStringLiteral("127.0.8.45"), QStringLiteral("127.0.8.46")};

} // namespace

class OntimeModelTest final : public QObject {
    Q_OBJECT

    std::unique_ptr<ScriptedHttpServer> m_server;

    void rememberPort(quint16 port) { SettingsStore().setInt(SettingsKey::ontimePort, port); }

private Q_SLOTS:
    void initTestCase() { L10n::overrideLanguage(QStringLiteral("de")); }

    void init() {
        TestSettings::installThrowawayStore();
        async::setRequestTimeouts({});
        Discovery::setInterfaceProvider(
            [] { return *Discovery::parseInterfaceList(scanInterface); });
        m_server = std::make_unique<ScriptedHttpServer>();
        QVERIFY(m_server->listen());
    }

    void cleanup() {
        m_server.reset();
        Discovery::setInterfaceProvider({});
    }

    void startsDisconnected() {
        SettingsStore settings;
        OntimeModel model(settings);
        QCOMPARE(model.status(), QStringLiteral("Nicht verbunden"));
        QVERIFY(!model.server());
        QVERIFY(!model.connected());
        QVERIFY(!model.scanning());
        QVERIFY(!model.remainingMs());
        QVERIFY(!model.pollTask().isValid());
        // Ontime not enabled: start() does nothing at all.
        model.start();
        QVERIFY(!model.scanTask().isValid());
        QCOMPARE(model.status(), QStringLiteral("Nicht verbunden"));
    }

    void connectingToAServerPollsItAndRemembersIt() {
        m_server->setResponse(
            QStringLiteral("api/poll"),
            Response::json(fakes::sample(QStringLiteral("v4.11.0_api_poll_playing.json")), 202));
        SettingsStore settings;
        OntimeModel model(settings);
        model.setTiming(fastTiming());
        int connectedCalls = 0;
        QObject::connect(&model, &OntimeModel::connectionMade,
                         [&connectedCalls] { ++connectedCalls; });
        QSignalSpy changed(&model, &OntimeModel::changed);
        const OntimeServer server = serverAt(*m_server);

        model.connect(server);
        QCOMPARE(model.server(), server);
        // Connected only once it has answered.
        QCOMPARE(model.status(), QStringLiteral("Verbinde mit 127.0.0.1 …"));
        QCOMPARE(model.found(), QList<OntimeServer>{server});
        QCOMPARE(connectedCalls, 1);
        QCOMPARE(changed.size(), 1);
        QVERIFY(!model.connected());
        QVERIFY(!model.current());
        QVERIFY(settings.ontimeEnabled());
        QCOMPARE(settings.ontimeHost(), server.host);
        QCOMPARE(settings.timerSource(), QStringLiteral("ontime"));
        // The port is the setup window's to store.
        QVERIFY(!settings.contains(SettingsKey::ontimePort));

        QTRY_VERIFY(model.connected());
        QCOMPARE(model.current(), 6988.0);
        QCOMPARE(model.playback(), QStringLiteral("play"));
        QCOMPARE(model.eventTitle(), QStringLiteral("Pre-show Countdown"));
        QCOMPARE(model.durationMs(), 8000.0);
        QTRY_VERIFY(m_server->requestCount(QStringLiteral("api/poll")) >= 3);
    }

    void foundKeepsOneEntryPerHost() {
        SettingsStore settings;
        OntimeModel model(settings);
        model.setTiming(fastTiming());
        const quint16 port = fakes::closedPort();
        const OntimeServer a{QStringLiteral("127.0.0.1"), port, OntimeAPI::v3,
                             QStringLiteral("3.16.1")};
        OntimeServer b = a;
        b.port = fakes::closedPort(QHostAddress(QStringLiteral("127.0.0.3")));
        b.host = QStringLiteral("127.0.0.3");
        model.connect(a);
        model.connect(b);
        QCOMPARE(model.found(), (QList<OntimeServer>{a, b}));

        QSignalSpy foundChanged(&model, &OntimeModel::foundChanged);
        model.connect(a);
        QCOMPARE(foundChanged.size(), 0);

        OntimeServer otherPort = a;
        otherPort.port = port + 1;
        model.connect(otherPort);
        QCOMPARE(model.found(), (QList<OntimeServer>{b, otherPort}));
    }

    void anyAnswerIsContact() {
        m_server->setResponses(QStringLiteral("api/poll"),
                               {Response::json(playing(90000)),
                                Response::text("<html>busy</html>", 503),
                                Response::json("{not json"), Response::json(playing(30000), 500)});
        SettingsStore settings;
        OntimeModel model(settings);
        model.setTiming(fastTiming());
        model.connect(serverAt(*m_server));
        QTRY_COMPARE(model.current(), 90000.0);
        QVERIFY(model.connected());
        // Error pages and broken documents keep the values; a decodable error answer is used.
        QTRY_COMPARE(model.current(), 30000.0);
        QCOMPARE(m_server->requestCount(QStringLiteral("api/poll")) >= 4, true);
        QVERIFY(model.connected());
    }

    // An answer that does not decode keeps the values and the moment they were taken, so the
    // countdown runs on; the third in a row interrupts the link as a third failed request does.
    void undecodableAnswersCountAsFailures_data() {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<int>("status");
        QTest::newRow("error page") << QByteArray("<html>busy</html>") << 503;
        QTest::newRow("garbage") << QByteArray("{not json") << 200;
        QTest::newRow("no payload") << QByteArray(R"({"message":"busy"})") << 500;
    }

    void undecodableAnswersCountAsFailures() {
        QFETCH(QByteArray, body);
        QFETCH(int, status);
        MockClock clock;
        SettingsStore settings;
        OntimeModel model(settings);
        model.setTiming(fastTiming());
        QList<std::optional<double>> remaining;
        m_server->setHandler([&](const ScriptedHttpServer::Request&) {
            remaining.append(model.remainingMs());
            clock.advance(100);
            return remaining.size() == 1 ? Response::json(playing(60000))
                                         : Response::text(body, status);
        });
        const OntimeServer server = serverAt(*m_server);
        model.connect(server);
        QTRY_COMPARE(model.status(), QStringLiteral("Verbindung zu 127.0.0.1 unterbrochen …"));
        // Before request n the model has seen the good answer and n - 2 bad ones.
        const QList<std::optional<double>> expected{std::nullopt, 60000.0, 59900.0, 59800.0};
        QCOMPARE(remaining.mid(0, 4), expected);
        QCOMPARE(model.pollTime(), clock.nowMs() - qint64(remaining.size() - 1) * 100);
        const TimerDisplay display = ontimeDisplay(model);
        QCOMPARE(display.time, QStringLiteral("--:--"));
        QCOMPARE(display.caption, model.status());
        m_server->setHandler({});
    }

    // Failures one and two are silent, the third shows the interruption, the tenth drops the
    // server and finds it again through the remembered host.
    void pollFailuresInterruptThenDrop() {
        OntimeModel::Timing timing = fastTiming();
        timing.requestTimeout = 100ms;
        SettingsStore settings;
        OntimeModel model(settings);
        model.setTiming(timing);

        QList<Seen> seen;
        int polls = 0;
        int pollsBeforeReconnect = 0;
        m_server->setHandler([&](const ScriptedHttpServer::Request& request) {
            if (request.path == u"api/version") {
                pollsBeforeReconnect = polls;
                return fakes::version("4.11.0");
            }
            seen.append({model.server().has_value(), model.connected(), model.status()});
            ++polls;
            // The first answer, ten silences, then answers again.
            return polls == 1 || polls > 11 ? Response::json(playing(60000)) : fakes::silent();
        });
        rememberPort(m_server->port());
        const OntimeServer server = serverAt(*m_server);
        model.connect(server);

        QTRY_VERIFY_WITH_TIMEOUT(m_server->requestCount(QStringLiteral("api/version")) == 1, 10000);
        QCOMPARE(pollsBeforeReconnect, 11);
        QVERIFY(!seen[0].connected);
        const QString interrupted = QStringLiteral("Verbindung zu 127.0.0.1 unterbrochen …");
        // Before the request that follows failure n, the model has seen n failures.
        for (int failures = 0; failures <= 9; ++failures) {
            const Seen& s = seen[failures + 1];
            QVERIFY2(s.hasServer, qPrintable(QString::number(failures)));
            QCOMPARE(s.connected, failures < 3);
            QCOMPARE(s.status, failures < 3 ? QStringLiteral("Verbunden mit ") + server.label()
                                            : interrupted);
        }
        // The tenth failure dropped the server; the reconnect found it again.
        QTRY_VERIFY(model.connected());
        QCOMPARE(model.server(), server);
        QCOMPARE(model.status(), QStringLiteral("Verbunden mit ") + server.label());
        QCOMPARE(model.current(), 60000.0);
    }

    void serverThatNeverAnswersStaysUnconfirmed() {
        OntimeModel::Timing timing = fastTiming();
        timing.requestTimeout = 50ms;
        SettingsStore settings;
        OntimeModel model(settings);
        model.setTiming(timing);
        m_server->setResponse(QStringLiteral("api/poll"), fakes::silent());
        // The remembered host is gone by the time the client looks for it again.
        rememberPort(fakes::closedPort());
        const OntimeServer server = serverAt(*m_server);
        model.connect(server);
        QTRY_VERIFY_WITH_TIMEOUT(!model.server(), 5000);
        QCOMPARE(m_server->requestCount(QStringLiteral("api/poll")), 10);
        // The remembered host refuses; the client falls back to a network search.
        QTRY_VERIFY(model.scanning());
        QTRY_COMPARE(model.status(),
                     QStringLiteral("Kein Ontime gefunden (Port %1) – neuer Versuch …")
                         .arg(SettingsStore().ontimePort()));
        model.disconnect();
    }

    void remainingTimeRunsOnBetweenPolls() {
        MockClock clock;
        m_server->setResponse(QStringLiteral("api/poll"), Response::json(playing(60000)));
        SettingsStore settings;
        OntimeModel model(settings);
        OntimeModel::Timing timing = fastTiming();
        timing.pollInterval = 60s; // one answer only, so pollTime stays put
        model.setTiming(timing);
        model.connect(serverAt(*m_server));
        QTRY_VERIFY(model.connected());
        QCOMPARE(model.pollTime(), clock.nowMs());
        QCOMPARE(model.remainingMs(), 60000.0);
        clock.advance(2000);
        QCOMPARE(model.remainingMs(), 58000.0);
        clock.advance(60000);
        QCOMPARE(model.remainingMs(), -2000.0);

        const auto take = [&model](const char* timer) {
            model.takeOver(
                *PollResponse::decode(QByteArray(R"({"payload":{"timer":)") + timer + "}}"));
        };
        take(R"({"current":5000,"playback":"pause"})");
        QCOMPARE(model.remainingMs(), 5000.0);
        take(R"({"current":0,"playback":"armed"})");
        QVERIFY(!model.remainingMs());
        take(R"({"current":5000,"playback":"armed"})");
        QCOMPARE(model.remainingMs(), 5000.0);
        take(R"({"current":5000,"playback":"stop"})");
        QVERIFY(!model.remainingMs());
        take(R"({"current":5000,"playback":"roll"})");
        QCOMPARE(model.remainingMs(), 5000.0 - 62000.0);
        take(R"({"playback":"play"})");
        QVERIFY(!model.remainingMs());

        // Setting the system time moves the wall clock, not the time left.
        take(R"({"current":5000,"playback":"play","addedTime":1500})");
        QCOMPARE(model.addedMs(), 1500.0);
        const std::optional<double> before = model.remainingMs();
        clock.jumpWallClock(-3600000);
        QCOMPARE(model.remainingMs(), before);

        // Not connected: no time, whatever the last answer said.
        take(R"({"current":5000,"playback":"pause"})");
        model.suspend();
        QVERIFY(!model.remainingMs());
    }

    void typedHostIsTrimmedAndProbed() {
        m_server->setResponse(QStringLiteral("api/version"), fakes::version("3.16.1"));
        m_server->setResponse(QStringLiteral("api/poll"), Response::json(playing(1000)));
        rememberPort(m_server->port());
        SettingsStore settings;
        OntimeModel model(settings);
        model.setTiming(fastTiming());

        model.connect(QStringLiteral(" \t\u00a0"));
        QCOMPARE(model.status(), QStringLiteral("Nicht verbunden"));

        model.connect(QStringLiteral("\t 127.0.0.1 \u2003"));
        QCOMPARE(model.status(), QStringLiteral("Verbinde mit 127.0.0.1 …"));
        QTRY_VERIFY(model.connected());
        QCOMPARE(model.server(), serverAt(*m_server, "3.16.1"));
        QCOMPARE(m_server->requestedPaths().first(), QStringLiteral("api/version"));

        // A line break is part of the host, which then names no server: nothing is probed.
        model.connect(QStringLiteral("127.0.0.1\n"));
        QCOMPARE(model.status(), QStringLiteral("Ungültige Adresse: 127.0.0.1"));
        QTest::qWait(50);
        QCOMPARE(m_server->requestCount(QStringLiteral("api/version")), 1);
        // Nothing else changed.
        QVERIFY(model.connected());
        QCOMPARE(model.server(), serverAt(*m_server, "3.16.1"));
    }

    void typedAddressForms_data() {
        QTest::addColumn<QString>("text");
        // %1 is the server's port; the port field holds a port where nothing listens, so
        // only a port taken from the text reaches the server.
        QTest::newRow("browser address") << QStringLiteral("http://127.0.0.1:%1/");
        QTest::newRow("host:port") << QStringLiteral("127.0.0.1:%1");
        QTest::newRow("capital scheme, view path, query, fragment")
            << QStringLiteral("HTTP://127.0.0.1:%1/timer?locked=true#x");
        QTest::newRow("https URL") << QStringLiteral("hTTps://127.0.0.1:%1");
    }

    void typedAddressForms() {
        QFETCH(QString, text);
        m_server->setResponse(QStringLiteral("api/version"), fakes::version("4.11.0"));
        m_server->setResponse(QStringLiteral("api/poll"), Response::json(playing(1000)));
        rememberPort(fakes::closedPort());
        SettingsStore settings;
        OntimeModel model(settings);
        model.setTiming(fastTiming());
        model.connect(text.arg(m_server->port()));
        QCOMPARE(model.status(), QStringLiteral("Verbinde mit 127.0.0.1 …"));
        QTRY_VERIFY(model.connected());
        QCOMPARE(model.server(), serverAt(*m_server));
        QCOMPARE(m_server->requestedPaths().first(), QStringLiteral("api/version"));
    }

    void unusableTypedAddressesProbeNothing_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("shown");
        QTest::newRow("other scheme")
            << QStringLiteral("ftp://127.0.0.1:4001") << QStringLiteral("ftp://127.0.0.1:4001");
        QTest::newRow("user name")
            << QStringLiteral("http://me@127.0.0.1/") << QStringLiteral("http://me@127.0.0.1/");
        QTest::newRow("blank inside")
            << QStringLiteral("127.0.0 .1") << QStringLiteral("127.0.0 .1");
        QTest::newRow("port zero")
            << QStringLiteral("127.0.0.1:0") << QStringLiteral("127.0.0.1:0");
        QTest::newRow("bidi override")
            << QStringLiteral("127.0.0.1\u202e") << QStringLiteral("127.0.0.1");
    }

    void unusableTypedAddressesProbeNothing() {
        QFETCH(QString, text);
        QFETCH(QString, shown);
        SettingsStore settings;
        OntimeModel model(settings);
        model.connect(text);
        QCOMPARE(model.status(), QStringLiteral("Ungültige Adresse: ") + shown);
        QVERIFY(!model.server());
    }

    void newerTypedAddressWinsOverAnOlderProbe() {
        // The first host answers late; the second at once. The older answer must not win.
        ScriptedHttpServer late;
        QVERIFY(late.listen(QHostAddress(QStringLiteral("127.0.0.3"))));
        late.setResponse(QStringLiteral("api/version"),
                         fakes::delayed(fakes::version("3.5.1"), 150));
        late.setResponse(QStringLiteral("api/poll"), Response::json(playing(1000)));
        m_server->setResponse(QStringLiteral("api/version"), fakes::version("4.11.0"));
        m_server->setResponse(QStringLiteral("api/poll"), Response::json(playing(1000)));
        SettingsStore settings;
        OntimeModel model(settings);
        model.setTiming(fastTiming());
        model.connect(QStringLiteral("127.0.0.3:%1").arg(late.port()));
        model.connect(QStringLiteral("127.0.0.1:%1").arg(m_server->port()));
        QTRY_VERIFY(model.connected());
        QTest::qWait(300);
        QCOMPARE(model.server(), serverAt(*m_server));
    }

    void switchingServersDropsTheOldServersState() {
        m_server->setResponse(QStringLiteral("api/poll"),
                              Response::json(fakes::sample(QStringLiteral(
                                  "v3.16.1_api_poll_overtime_message_visible_blink.json"))));
        ScriptedHttpServer other;
        QVERIFY(other.listen(QHostAddress(QStringLiteral("127.0.0.4"))));
        other.setResponse(QStringLiteral("api/poll"), fakes::silent());
        SettingsStore settings;
        OntimeModel model(settings);
        model.setTiming(fastTiming());
        model.connect(serverAt(*m_server));
        QTRY_VERIFY(model.connected() && !model.timerMessage().isEmpty());

        model.connect(serverAt(other));
        QVERIFY(!model.connected());
        QCOMPARE(model.status(), QStringLiteral("Verbinde mit 127.0.0.4 …"));
        QVERIFY(model.timerMessage().isEmpty());
        QVERIFY(!model.timerMessageBlinks());
        QVERIFY(!model.warningMs() && !model.dangerMs() && !model.durationMs());
        model.disconnect();
    }

    void typedHostWithoutOntime() {
        const quint16 port = fakes::closedPort();
        rememberPort(port);
        SettingsStore settings;
        OntimeModel model(settings);
        model.connect(QStringLiteral("127.0.0.1"));
        QTRY_COMPARE(model.status(), QStringLiteral("Kein Ontime unter 127.0.0.1:%1").arg(port));
        QVERIFY(!model.server());
    }

    void disconnectDoesNotStopATypedHostProbe() {
        m_server->setResponse(QStringLiteral("api/version"),
                              fakes::delayed(fakes::version("4.11.0"), 60));
        m_server->setResponse(QStringLiteral("api/poll"), Response::json(playing(1000)));
        rememberPort(m_server->port());
        SettingsStore settings;
        OntimeModel model(settings);
        model.setTiming(fastTiming());
        model.connect(QStringLiteral("127.0.0.1"));
        model.disconnect();
        QCOMPARE(model.status(), QStringLiteral("Nicht verbunden"));
        QTRY_VERIFY2(model.connected(),
                     qPrintable(model.status() + u' ' + m_server->requestedPaths().join(u',')));
        QVERIFY(SettingsStore().ontimeEnabled());
    }

    void disconnectForgetsAndSuspendKeeps() {
        m_server->setResponse(QStringLiteral("api/version"), fakes::version("4.11.0"));
        m_server->setResponse(QStringLiteral("api/poll"),
                              Response::json(fakes::sample(
                                  QStringLiteral("v4.11.0_api_poll_message_secondary.json"))));
        rememberPort(m_server->port());
        SettingsStore settings;
        OntimeModel model(settings);
        model.setTiming(fastTiming());
        const OntimeServer server = serverAt(*m_server);
        model.connect(server);
        QTRY_VERIFY(model.connected());
        QCOMPARE(model.secondaryMessage(), QStringLiteral("Questions next"));

        // Suspending keeps the settings and the status line, so start() comes back.
        model.suspend();
        QVERIFY(!model.connected());
        QVERIFY(!model.server());
        QVERIFY(!model.current());
        QCOMPARE(model.status(), QStringLiteral("Verbunden mit ") + server.label());
        QVERIFY(SettingsStore().ontimeEnabled());
        QVERIFY(model.pollTask().isCancelled());
        model.start();
        QCOMPARE(model.status(), QStringLiteral("Verbinde mit 127.0.0.1 …"));
        QTRY_VERIFY(model.connected());

        QSignalSpy changed(&model, &OntimeModel::changed);
        model.disconnect();
        QCOMPARE(changed.size(), 1);
        QCOMPARE(model.status(), QStringLiteral("Nicht verbunden"));
        QVERIFY(!model.connected());
        QVERIFY(!model.server());
        QVERIFY(!model.current());
        QVERIFY(model.timerMessage().isEmpty());
        QVERIFY(model.secondaryMessage().isEmpty());
        QVERIFY(!SettingsStore().ontimeEnabled());
        // The handles stay, cancelled.
        QVERIFY(model.pollTask().isValid());
        QVERIFY(model.pollTask().isCancelled());
        // A request already on its way may still arrive; after that, nothing.
        QTest::qWait(50);
        const int polls = m_server->requestCount(QStringLiteral("api/poll"));
        QTest::qWait(150);
        QCOMPARE(m_server->requestCount(QStringLiteral("api/poll")), polls);
    }

    void destroyingTheModelEndsItsTasks() {
        m_server->setResponse(QStringLiteral("api/poll"), fakes::silent());
        m_server->setResponse(QStringLiteral("api/version"),
                              fakes::delayed(fakes::version("1"), 100));
        rememberPort(m_server->port());
        {
            SettingsStore settings;
            OntimeModel model(settings);
            model.connect(serverAt(*m_server));
            model.connect(QStringLiteral("127.0.0.1"));
            model.search(true, true);
        }
        // Nothing may touch the gone model when the requests and waits end.
        QTest::qWait(400);
    }

    // --- the network search ------------------------------------------------------------------

    void searchWithoutAutoConnect() {
        fakes::FakeHosts hosts;
        QVERIFY(hosts.listen(scanHosts));
        rememberPort(hosts.port());
        SettingsStore settings;
        OntimeModel model(settings);
        model.setTiming(fastTiming());
        QSignalSpy progress(&model, &OntimeModel::scanProgressChanged);

        model.search(false, false);
        QVERIFY(model.scanning());
        QCOMPARE(model.status(), QStringLiteral("Suche Ontime im Netzwerk …"));
        QTRY_VERIFY(!model.scanning());
        QCOMPARE(model.status(),
                 QStringLiteral("Kein Ontime gefunden (Port %1)").arg(hosts.port()));
        QCOMPARE(model.scanProgress(), 1.0);
        QVERIFY(model.scanInfo().startsWith(
            QStringLiteral("en9 127.0.8.41: 127.0.8.41 \u2013 127.0.8.46\n6 Adressen geprüft, 0 "
                           "Ontime gefunden")));
        QVERIFY(!model.server());

        hosts.at(QStringLiteral("127.0.8.45"))
            .setResponse(QStringLiteral("api/version"), fakes::version("3.5.1"));
        model.search(false, false);
        QTRY_VERIFY(!model.scanning());
        QCOMPARE(model.status(), QStringLiteral("Bitte ein Ontime auswählen"));
        QCOMPARE(model.found().size(), 1);
        QCOMPARE(model.found().first().host, QStringLiteral("127.0.8.45"));
        QVERIFY(!model.server());
    }

    void autoConnectKeepsSearchingUntilItFinds() {
        fakes::FakeHosts hosts;
        QVERIFY(hosts.listen(scanHosts));
        rememberPort(hosts.port());
        SettingsStore settings;
        OntimeModel model(settings);
        // A long pause between rounds, so that both servers appear while no round runs and
        // the next round sees them together.
        OntimeModel::Timing timing = fastTiming();
        timing.rescanPause = 1500ms;
        model.setTiming(timing);
        model.search(true, false);
        const QString retry =
            QStringLiteral("Kein Ontime gefunden (Port %1) – neuer Versuch …").arg(hosts.port());
        QTRY_COMPARE(model.status(), retry);
        QVERIFY(model.scanning());
        const int firstScan =
            hosts.at(QStringLiteral("127.0.0.1")).requestCount(QStringLiteral("api/version"));

        for (const char* host : {"127.0.8.46", "127.0.8.43"}) {
            hosts.at(QString::fromLatin1(host))
                .setResponse(QStringLiteral("api/version"), fakes::version("4.11.0"));
            hosts.at(QString::fromLatin1(host))
                .setResponse(QStringLiteral("api/poll"), Response::json(playing(5000)));
        }
        QTRY_VERIFY_WITH_TIMEOUT(model.connected(), 10000);
        QVERIFY(hosts.at(QStringLiteral("127.0.0.1")).requestCount(QStringLiteral("api/version")) >
                firstScan);
        QVERIFY(!model.scanning());
        // Sorted by host, the first wins when nothing is remembered.
        QCOMPARE(model.server()->host, QStringLiteral("127.0.8.43"));
        QCOMPARE(model.found().size(), 2);
    }

    void autoConnectPrefersTheRememberedHost() {
        fakes::FakeHosts hosts;
        QVERIFY(hosts.listen(scanHosts));
        rememberPort(hosts.port());
        SettingsStore().setString(SettingsKey::ontimeHost, QStringLiteral("127.0.8.44"));
        for (const char* host : {"127.0.8.42", "127.0.8.44"})
            hosts.at(QString::fromLatin1(host))
                .setResponse(QStringLiteral("api/version"), fakes::version("4.11.0"));
        SettingsStore settings;
        OntimeModel model(settings);
        model.setTiming(fastTiming());
        model.search(true, false);
        QTRY_VERIFY(model.server());
        QCOMPARE(model.server()->host, QStringLiteral("127.0.8.44"));
    }

    // Once a server has been in use, losing it makes the client wait for that server: another
    // one on the network is listed but never takes its place, and the stored host stays.
    void lostServerIsWaitedFor() {
        fakes::FakeHosts hosts;
        QVERIFY(hosts.listen(scanHosts));
        rememberPort(hosts.port());
        ScriptedHttpServer& stage = hosts.at(QStringLiteral("127.0.8.44"));
        ScriptedHttpServer& other = hosts.at(QStringLiteral("127.0.8.42"));
        for (ScriptedHttpServer* server : {&stage, &other}) {
            server->setResponse(QStringLiteral("api/version"), fakes::version("4.11.0"));
            server->setResponse(QStringLiteral("api/poll"), Response::json(playing(5000)));
        }
        SettingsStore settings;
        OntimeModel model(settings);
        model.setTiming(fastTiming());
        model.connect(OntimeServer{stage.host(), stage.port(), OntimeAPI::v3, QStringLiteral("4")});
        QTRY_VERIFY(model.connected());

        stage.setResponse(QStringLiteral("api/version"), fakes::dropped());
        stage.setResponse(QStringLiteral("api/poll"), fakes::dropped());
        QTRY_VERIFY_WITH_TIMEOUT(!model.server(), 5000);
        QTRY_COMPARE_WITH_TIMEOUT(model.found().size(), 1, 5000);
        QTest::qWait(200);
        QVERIFY(!model.server());
        QCOMPARE(model.status(), QStringLiteral("Verbindung zu 127.0.8.44 unterbrochen …"));
        QCOMPARE(SettingsStore().ontimeHost(), QStringLiteral("127.0.8.44"));

        stage.setResponse(QStringLiteral("api/version"), fakes::version("4.11.0"));
        stage.setResponse(QStringLiteral("api/poll"), Response::json(playing(5000)));
        QTRY_VERIFY_WITH_TIMEOUT(model.connected(), 5000);
        QCOMPARE(model.server()->host, QStringLiteral("127.0.8.44"));
        model.disconnect();
    }

    void offeredChoiceWithOnlyAStagetimer() {
        fakes::FakeHosts hosts;
        QVERIFY(hosts.listen(scanHosts));
        fakes::FakeHosts desktops;
        QVERIFY(desktops.listen(scanHosts));
        rememberPort(hosts.port());
        desktops.at(QStringLiteral("127.0.8.42"))
            .setResponse(QStringLiteral("api/v1/"), Response::json(R"({"app":"Stagetimer"})"));
        SettingsStore settings;
        OntimeModel model(settings);
        model.setTiming(fastTiming());
        model.setStagetimerPort(desktops.port());
        QList<OntimeServer> offeredServers{serverAt(*m_server)};
        QList<StagetimerDesktop> offeredDesktops;
        int choices = 0;
        QObject::connect(
            &model, &OntimeModel::choiceOffered,
            [&](const QList<OntimeServer>& servers, const QList<StagetimerDesktop>& desktopsFound) {
                ++choices;
                offeredServers = servers;
                offeredDesktops = desktopsFound;
            });
        model.search(true, true);
        QCOMPARE(model.status(), QStringLiteral("Suche Ontime und Stagetimer im Netzwerk …"));
        QTRY_COMPARE(choices, 1);
        QVERIFY(offeredServers.isEmpty());
        QCOMPARE(offeredDesktops,
                 (QList<StagetimerDesktop>{{QStringLiteral("127.0.8.42"), desktops.port(), true}}));
        QCOMPARE(model.stagetimersFound(), offeredDesktops);
        QVERIFY(!model.scanning());
        QCOMPARE(model.status(), QStringLiteral("Bitte ein Ontime auswählen"));
        QVERIFY(model.scanInfo().endsWith(QStringLiteral(", 1 Stagetimer gefunden")));
    }

    void connectingStopsTheSearch() {
        fakes::FakeHosts hosts;
        QVERIFY(hosts.listen(scanHosts));
        rememberPort(hosts.port());
        // Slow answers keep the scan busy.
        for (const QString& host : scanHosts)
            hosts.at(host).setResponse(QStringLiteral("api/version"), fakes::silent());
        SettingsStore settings;
        OntimeModel model(settings);
        model.setTiming(fastTiming());
        m_server->setResponse(QStringLiteral("api/poll"), Response::json(playing(1000)));
        model.search(true, true);
        QVERIFY(model.scanning());
        int choices = 0;
        QObject::connect(&model, &OntimeModel::choiceOffered, [&choices] { ++choices; });
        model.connect(serverAt(*m_server));
        QVERIFY(!model.scanning());
        QVERIFY(model.scanTask().isCancelled());
        QTest::qWait(500);
        QCOMPARE(choices, 0);
        QVERIFY(!model.scanning());
        QVERIFY(model.status().startsWith(QStringLiteral("Verbunden mit 127.0.0.1:")));
    }
};

KALVANE_TEST_MAIN_CORE(OntimeModelTest)
#include "OntimeModelTest.moc"
