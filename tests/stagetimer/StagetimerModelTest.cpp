#include "stagetimer/StagetimerModel.h"
#include "settings/SettingsStore.h"
#include "support/MockClock.h"
#include "support/ScriptedHttpServer.h"
#include "support/TestMain.h"

#include <QLoggingCategory>
#include <QPointer>
#include <QSignalSpy>

#include <memory>

using namespace std::chrono_literals;
using Response = ScriptedHttpServer::Response;
using Request = ScriptedHttpServer::Request;

namespace {

constexpr int waitMs = 5000;

// Never answers: the request times out. (A dropped connection is retried by the HTTP stack
// and so cannot stand for an unreachable server.)
Response silent() {
    Response response;
    response.silent = true;
    return response;
}

Response status(const QByteArray& data) {
    return Response::json(R"({"ok":true,"data":)" + data + "}");
}

Response failure(int code, const QByteArray& body = {}) {
    return Response::json(body, code);
}

QString connectedTo(const QString& name) {
    return QStringLiteral("Verbunden mit ") + name;
}

QString failed(const QString& error) {
    return QStringLiteral("Stagetimer: ") + error;
}

// A model with a fast pace, the room and key stored, and a record of its status texts.
struct Fixture {
    SettingsStore settings;
    std::unique_ptr<StagetimerModel> model = std::make_unique<StagetimerModel>(settings);
    QStringList statuses;
    QList<bool> connectedHistory;
    int connectedCalls = 0;

    explicit Fixture(const QString& server = QString()) {
        model->setTiming({30ms, 400ms});
        model->setRoomID(QStringLiteral("R1"));
        model->setApiKey(QStringLiteral("key-1"));
        model->setServer(server);
        StagetimerModel* m = model.get();
        QObject::connect(m, &StagetimerModel::statusChanged, m,
                         [this, m] { statuses << m->status(); });
        QObject::connect(m, &StagetimerModel::connectedChanged, m,
                         [this, m] { connectedHistory << m->connected(); });
        QObject::connect(m, &StagetimerModel::connectionMade, m, [this] { ++connectedCalls; });
    }

    bool attemptEnded() const { return !model->connecting(); }
};

} // namespace

class StagetimerModelTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init() {
        TestSettings::installThrowawayStore();
        qputenv("KLV_STAGETIMER_CLOUD", "http://127.0.0.1:9/v1");
    }

    void attemptWalksTheCandidates_data() {
        QTest::addColumn<QString>("form");
        QTest::addColumn<QList<Response>>("answers"); // for the candidates in order
        QTest::addColumn<int>("tried");
        QTest::addColumn<QString>("expected");

        QTest::newRow("every candidate 404 with its own message: the first one")
            << "desktop"
            << QList<Response>{failure(404, R"({"message":"one"})"),
                               failure(404, R"({"message":"two"})"),
                               failure(404, R"({"message":"three"})")}
            << 3 << failed(QStringLiteral("one"));
        QTest::newRow("unreachable, 404 without body, unreachable")
            << "desktop" << QList<Response>{silent(), failure(404), silent()} << 3
            << failed(QStringLiteral("Raum nicht gefunden"));
        QTest::newRow("401 stops at once")
            << "desktop"
            << QList<Response>{failure(401, R"({"message":"nope"})"), failure(404), failure(404)}
            << 1 << failed(QStringLiteral("API-Key ungültig"));
        QTest::newRow("403 stops at once")
            << "desktop" << QList<Response>{failure(403), failure(404), failure(404)} << 1
            << failed(QStringLiteral("API-Key ungültig"));
        QTest::newRow("429 after a 404 stops")
            << "desktop" << QList<Response>{failure(404), failure(429), failure(404)} << 2
            << failed(QStringLiteral("Zu viele Anfragen – kurz warten"));
        QTest::newRow("other codes: the last text")
            << "desktop"
            << QList<Response>{failure(500, R"({"message":"m1"})"),
                               failure(502, R"({"message":"m2"})"), failure(503)}
            << 3 << failed(QStringLiteral("HTTP 503"));
        QTest::newRow("unreachable after a 500 is judged by the 500")
            << "desktop" << QList<Response>{failure(404), failure(500), silent()} << 3
            << failed(QStringLiteral("Server nicht erreichbar"));
        QTest::newRow("2xx without data")
            << "desktop"
            << QList<Response>{Response::json(R"({"ok":true})"), Response::text("<html/>"),
                               failure(404)}
            << 3 << failed(QStringLiteral("Unerwartete Antwort"));
        QTest::newRow("with a scheme the bare address comes first")
            << "scheme" << QList<Response>{failure(404), failure(404), failure(404)} << 3
            << failed(QStringLiteral("Raum nicht gefunden"));
    }

    void attemptWalksTheCandidates() {
        QFETCH(QString, form);
        QFETCH(QList<Response>, answers);
        QFETCH(int, tried);
        QFETCH(QString, expected);

        ScriptedHttpServer server;
        QVERIFY(server.listen());
        const QString hostPort = QStringLiteral("127.0.0.1:%1").arg(server.port());
        const bool desktop = form == u"desktop";
        const QStringList paths =
            desktop ? QStringList{QStringLiteral("api/v1/get_status"),
                                  QStringLiteral("v1/get_status"), QStringLiteral("get_status")}
                    : QStringList{QStringLiteral("get_status"), QStringLiteral("api/v1/get_status"),
                                  QStringLiteral("v1/get_status")};
        for (int i = 0; i < paths.size(); ++i)
            server.setResponse(paths[i], answers[i]);

        Fixture f(desktop ? hostPort : QStringLiteral("http://") + hostPort + u'/');
        f.model->connect();
        QVERIFY(f.model->connecting());
        QCOMPARE(f.model->status(), QStringLiteral("Verbinde mit Stagetimer …"));
        QTRY_VERIFY_WITH_TIMEOUT(f.attemptEnded(), waitMs);

        QCOMPARE(server.requestedPaths(), paths.mid(0, tried));
        QCOMPARE(f.model->status(), expected);
        QVERIFY(!f.model->connected());
        QCOMPARE(f.connectedCalls, 0);
        QVERIFY(!SettingsStore().stagetimerEnabled());
        QVERIFY(!SettingsStore().timerSource());
    }

    void cloudWithWrongKeyAsksOnce() {
        ScriptedHttpServer server;
        QVERIFY(server.listen());
        server.setResponse(QStringLiteral("v1/get_status"),
                           failure(401, R"({"ok":false,"message":"Invalid api key"})"));
        qputenv("KLV_STAGETIMER_CLOUD", (server.baseUrl() + QStringLiteral("/v1")).toUtf8());

        Fixture f;
        f.model->connect();
        QTRY_VERIFY_WITH_TIMEOUT(f.attemptEnded(), waitMs);
        QCOMPARE(server.requestCount(QStringLiteral("v1/get_status")), 1);
        QCOMPARE(f.model->status(), failed(QStringLiteral("API-Key ungültig")));
        QCOMPARE(f.model->lastHTTPCode(), 401);
        const Request request = server.requests().first();
        QCOMPARE(request.query, QStringLiteral("room_id=R1"));
        QCOMPARE(request.header("Authorization"), QByteArray("Bearer key-1"));
    }

    void unparseableAddressSendsNothing() {
        ScriptedHttpServer server;
        QVERIFY(server.listen());
        Fixture f(QStringLiteral("127.0.0.1:%1x").arg(server.port()));
        f.model->connect();
        QTRY_VERIFY_WITH_TIMEOUT(f.attemptEnded(), waitMs);
        QCOMPARE(f.model->status(), failed(QStringLiteral("Ungültige Adresse")));
        QCOMPARE(server.requests().size(), 0);
        QCOMPARE(f.model->lastHTTPCode(), 0);
    }

    void successfulAttemptConnectsAndRemembersTheChoice() {
        ScriptedHttpServer server;
        QVERIFY(server.listen());
        server.setResponse(
            QStringLiteral("v1/get_status"),
            status(R"({"running":false,"start":1700000001000,"finish":1700000061000})"));
        qputenv("KLV_STAGETIMER_CLOUD", (server.baseUrl() + QStringLiteral("/v1")).toUtf8());

        Fixture f;
        QSignalSpy changed(f.model.get(), &StagetimerModel::changed);
        f.model->connect();
        QTRY_VERIFY_WITH_TIMEOUT(f.model->connected(), waitMs);
        // The cloud's name is the host of its base address.
        QCOMPARE(f.model->status(), connectedTo(QStringLiteral("127.0.0.1")));
        QVERIFY(!f.model->connecting());
        QCOMPARE(f.model->base(), server.baseUrl() + QStringLiteral("/v1"));
        QCOMPARE(f.connectedCalls, 1);
        QVERIFY(SettingsStore().stagetimerEnabled());
        QCOMPARE(SettingsStore().timerSource(), QStringLiteral("stagetimer"));
        QCOMPARE(f.model->remainingMs(), 60000.0);
        QVERIFY(changed.count() >= 3);
        // Unscripted messages answer 404; the code of the latest response is kept, until the
        // status request that follows them answers.
        bool kept = false;
        connect(&server, &ScriptedHttpServer::requestReceived, this, [&](const Request& request) {
            kept = kept || (request.path == u"v1/get_status" && f.model->lastHTTPCode() == 404);
        });
        QTRY_VERIFY_WITH_TIMEOUT(kept, waitMs);
    }

    void laterCandidatesAreNotTriedAfterASuccess() {
        ScriptedHttpServer server;
        QVERIFY(server.listen());
        server.setResponse(QStringLiteral("api/v1/get_status"), failure(404));
        server.setResponse(QStringLiteral("v1/get_status"), status("{}"));
        const QString setting = QStringLiteral("127.0.0.1:%1").arg(server.port());
        Fixture f(setting);
        f.model->connect();
        QTRY_VERIFY_WITH_TIMEOUT(f.model->connected(), waitMs);
        QCOMPARE(f.model->status(), connectedTo(setting));
        QCOMPARE(f.model->base(), server.baseUrl() + QStringLiteral("/v1"));
        QTRY_VERIFY_WITH_TIMEOUT(server.requests().size() >= 6, waitMs);
        f.model->disconnect();
        QCOMPARE(server.requestCount(QStringLiteral("api/v1/get_status")), 1);
        QCOMPARE(server.requestCount(QStringLiteral("get_status")), 0);
    }

    void pollLoopCadence() {
        ScriptedHttpServer server;
        QVERIFY(server.listen());
        server.setResponse(QStringLiteral("get_status"),
                           status(R"({"timer_id":"t1","running":true,"finish":9e12})"));
        server.setResponse(
            QStringLiteral("get_all_messages"),
            status(R"([{"showing":false,"text":"A"},{"showing":true,"text":"B","_id":"x"},
                       {"showing":true,"text":"C"}])"));
        server.setResponse(QStringLiteral("get_timer"), status(R"({"name":"Keynote"})"));
        Fixture f(server.baseUrl());
        f.model->connect();
        QTRY_VERIFY_WITH_TIMEOUT(server.requests().size() >= 10, waitMs);

        const QStringList expected{// the attempt
                                   QStringLiteral("get_status"),
                                   // cycle 0: messages, status, and the name of the new timer
                                   QStringLiteral("get_all_messages"), QStringLiteral("get_status"),
                                   QStringLiteral("get_timer"),
                                   // cycle 1
                                   QStringLiteral("get_status"),
                                   // cycle 2
                                   QStringLiteral("get_all_messages"), QStringLiteral("get_status"),
                                   // cycle 3
                                   QStringLiteral("get_status"),
                                   // cycle 4
                                   QStringLiteral("get_all_messages"),
                                   QStringLiteral("get_status")};
        QCOMPARE(server.requestedPaths().mid(0, expected.size()), expected);
        QCOMPARE(server.requests().at(3).query, QStringLiteral("room_id=R1&timer_id=t1"));
        QCOMPARE(f.model->state().message, QStringLiteral("B"));
        QCOMPARE(f.model->state().timerName, QStringLiteral("Keynote"));
        QCOMPARE(f.model->namedTimerID(), QStringLiteral("t1"));
        QCOMPARE(f.model->timerID(), QStringLiteral("t1"));
        QVERIFY(f.model->state().running);
        QCOMPARE(f.connectedCalls, 1);
    }

    void timerNameIsFetchedOncePerTimerAndRetriedAfterAFailure() {
        ScriptedHttpServer server;
        QVERIFY(server.listen());
        Fixture f(server.baseUrl());
        int statusCount = 0;
        int timerCount = 0;
        QString nameBeforeNewTimer;
        server.setHandler([&](const Request& request) {
            if (request.path == u"get_status") {
                const int n = statusCount++;
                if (n == 6)
                    nameBeforeNewTimer = f.model->state().timerName;
                if (n < 4)
                    return status(R"({"timer_id":"t1"})");
                return status(n < 6 ? R"({"running":false})" : R"({"timer_id":"t2"})");
            }
            if (request.path == u"get_timer") {
                if (timerCount++ == 0)
                    return failure(500);
                return status(R"({"name":"Name-)" + request.query.right(2).toUtf8() + R"("})");
            }
            return status("[]");
        });
        f.model->connect();
        QTRY_VERIFY_WITH_TIMEOUT(statusCount >= 10, waitMs);

        QStringList timers;
        for (const Request& request : server.requests()) {
            if (request.path == u"get_timer")
                timers << request.query;
        }
        // Cycle 0 fails, cycle 1 asks again; answers without a timer change nothing; the new
        // timer is asked for once.
        QCOMPARE(timers, (QStringList{QStringLiteral("room_id=R1&timer_id=t1"),
                                      QStringLiteral("room_id=R1&timer_id=t1"),
                                      QStringLiteral("room_id=R1&timer_id=t2")}));
        QCOMPARE(nameBeforeNewTimer, QStringLiteral("Name-t1"));
        QCOMPARE(f.model->state().timerName, QStringLiteral("Name-t2"));
        QCOMPARE(f.model->namedTimerID(), QStringLiteral("t2"));
    }

    void thirdFailedStatusShowsTheErrorAndTheNextSuccessRestores() {
        ScriptedHttpServer server;
        QVERIFY(server.listen());
        int statusCount = 0;
        server.setHandler([&](const Request& request) {
            if (request.path != u"get_status")
                return status("[]");
            switch (statusCount++) {
            case 2:
                return failure(500, R"({"message":"first"})");
            case 3:
                return failure(500, R"({"message":"second"})");
            case 4:
                return failure(500, R"({"message":"third"})");
            case 5:
                return silent(); // times out: no response at all
            default:
                return status(R"({"running":true,"finish":9e12})");
            }
        });
        Fixture f(server.baseUrl());
        f.model->connect();
        QTRY_VERIFY_WITH_TIMEOUT(statusCount >= 8, waitMs);

        const QString up = connectedTo(server.baseUrl());
        QCOMPARE(f.statuses.mid(0, 5),
                 (QStringList{QStringLiteral("Verbinde mit Stagetimer …"), up,
                              failed(QStringLiteral("third")),
                              failed(QStringLiteral("Server nicht erreichbar")), up}));
        QCOMPARE(f.connectedHistory.mid(0, 3), (QList<bool>{true, false, true}));
        QCOMPARE(f.connectedCalls, 1);
        QVERIFY(f.model->connected());
    }

    void implausibleInstantsCountAsAbsent_data() {
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<bool>("hasTime");
        // The mock clock stands at 1 700 000 000 000.
        QTest::newRow("plausible")
            << QByteArray(R"("finish":1700000090000,"server_time":1700000000000)") << true;
        QTest::newRow("finish 0") << QByteArray(R"("finish":0,"server_time":1700000000000)")
                                  << false;
        QTest::newRow("finish negative")
            << QByteArray(R"("finish":-5,"server_time":1700000000000)") << false;
        QTest::newRow("finish in the year 30000")
            << QByteArray(R"("finish":9e14,"server_time":1700000000000)") << false;
        QTest::newRow("server_time 0 keeps the offset")
            << QByteArray(R"("finish":1700000090000,"server_time":0)") << true;
        QTest::newRow("server_time a year away keeps the offset")
            << QByteArray(R"("finish":1700000090000,"server_time":1731536000000)") << true;
    }

    void implausibleInstantsCountAsAbsent() {
        QFETCH(QByteArray, answer);
        QFETCH(bool, hasTime);
        MockClock clock;
        ScriptedHttpServer server;
        QVERIFY(server.listen());
        server.setResponse(QStringLiteral("get_status"),
                           status("{\"running\":true," + answer + "}"));
        Fixture f(server.baseUrl());
        f.model->connect();
        QTRY_VERIFY_WITH_TIMEOUT(f.model->connected(), waitMs);
        QCOMPARE(f.model->state().clockOffset, 0.0);
        QCOMPARE(f.model->remainingMs(), hasTime ? std::optional<double>(90000.0) : std::nullopt);
    }

    void remainingTimeUsesTheServerClock() {
        MockClock clock;
        ScriptedHttpServer server;
        QVERIFY(server.listen());
        // The local clock is 5 s ahead of the server's.
        const qint64 finish = clock.nowMs() - 5000 + 90000;
        server.setHandler([&](const Request& request) {
            if (request.path != u"get_status")
                return status("[]");
            return status(QByteArray(R"({"running":true,"start":1,"finish":)") +
                          QByteArray::number(finish) + R"(,"server_time":)" +
                          QByteArray::number(clock.nowMs() - 5000) + "}");
        });
        Fixture f(server.baseUrl());
        QCOMPARE(f.model->remainingMs(), std::nullopt);
        f.model->connect();
        QTRY_VERIFY_WITH_TIMEOUT(f.model->connected(), waitMs);
        QCOMPARE(f.model->state().clockOffset, -5000.0);
        QCOMPARE(f.model->remainingMs(), 90000.0);
        clock.advance(1500);
        QCOMPARE(f.model->remainingMs(), 88500.0);
        clock.advance(100000);
        QCOMPARE(f.model->remainingMs(), -11500.0);
    }

    void remainingTimeWhenPausedStoppedOrUnknown() {
        MockClock clock;
        SettingsStore settings;
        StagetimerModel model(settings);
        StagetimerState state;
        state.finish = 1'000'000;
        state.running = true;
        model.setState(state);
        QCOMPARE(model.remainingMs(), std::nullopt); // not connected
        model.setConnected(true);
        QCOMPARE(model.remainingMs(), 1'000'000.0 - static_cast<double>(clock.nowMs()));

        state.running = false;
        state.pause = 970'000;
        state.startTime = 400'000;
        model.setState(state);
        QCOMPARE(model.remainingMs(), 30000.0);
        clock.advance(10000);
        QCOMPARE(model.remainingMs(), 30000.0);

        state.pause = 0; // not paused: the full run is shown
        model.setState(state);
        QCOMPARE(model.remainingMs(), 600000.0);
        state.pause.reset();
        model.setState(state);
        QCOMPARE(model.remainingMs(), 600000.0);
        state.startTime = 0;
        model.setState(state);
        QCOMPARE(model.remainingMs(), std::nullopt);
        state.startTime = 400'000;
        state.finish.reset();
        model.setState(state);
        QCOMPARE(model.remainingMs(), std::nullopt);
    }

    void connectWithoutKeyKeepsPolling() {
        ScriptedHttpServer server;
        QVERIFY(server.listen());
        server.setResponse(QStringLiteral("get_status"), status("{}"));
        Fixture f(server.baseUrl());
        f.model->connect();
        QTRY_VERIFY_WITH_TIMEOUT(f.model->connected(), waitMs);

        f.model->setApiKey(QStringLiteral(" \t "));
        QCOMPARE(f.model->apiKey(), QString());
        f.model->connect();
        QCOMPARE(f.model->status(), QStringLiteral("Bitte Raum-ID und API-Key eingeben"));
        QVERIFY(f.model->connected());
        const int before = server.requestCount(QStringLiteral("get_status"));
        QTRY_VERIFY_WITH_TIMEOUT(server.requestCount(QStringLiteral("get_status")) > before + 1,
                                 waitMs);
        // Requests read the key afresh: the empty key goes out as it is.
        QCOMPARE(server.requests().last().header("Authorization"), QByteArray("Bearer"));
    }

    void startConnectsOnlyWhenChosenAndConfigured() {
        ScriptedHttpServer server;
        QVERIFY(server.listen());
        server.setResponse(QStringLiteral("get_status"), status("{}"));
        Fixture f(server.baseUrl());

        f.model->start();
        QVERIFY(!f.model->connecting());
        QCOMPARE(f.model->status(), QStringLiteral("Nicht verbunden"));

        SettingsStore().setBool(SettingsKey::stagetimerEnabled, true);
        f.model->setRoomID(QString());
        f.model->start();
        QVERIFY(!f.model->connecting());
        QCOMPARE(f.model->status(), QStringLiteral("Nicht verbunden"));

        f.model->setRoomID(QStringLiteral("R1"));
        f.model->start();
        QVERIFY(f.model->connecting());
        QTRY_VERIFY_WITH_TIMEOUT(f.model->connected(), waitMs);
    }

    void disconnectStopsAndForgets() {
        ScriptedHttpServer server;
        QVERIFY(server.listen());
        server.setResponse(QStringLiteral("get_status"),
                           status(R"({"timer_id":"t","running":true,"finish":9e12,
                                      "server_time":1700000000000})"));
        server.setResponse(QStringLiteral("get_all_messages"),
                           status(R"({"messages":[{"showing":true,"text":"Hi"}]})"));
        server.setResponse(QStringLiteral("get_timer"), status(R"({"name":"N"})"));
        Fixture f(server.baseUrl());
        f.model->connect();
        QTRY_VERIFY_WITH_TIMEOUT(
            f.model->state().timerName == u"N" && f.model->state().message == u"Hi", waitMs);
        const double offset = f.model->state().clockOffset;

        f.model->disconnect();
        QVERIFY(!f.model->connected());
        QVERIFY(!f.model->connecting());
        QCOMPARE(f.model->status(), QStringLiteral("Nicht verbunden"));
        QVERIFY(!SettingsStore().stagetimerEnabled());
        QVERIFY(f.model->state().message.isEmpty());
        QVERIFY(f.model->state().timerName.isEmpty());
        QVERIFY(!f.model->state().finish);
        QVERIFY(!f.model->namedTimerID());
        QVERIFY(f.model->state().running);
        QCOMPARE(f.model->timerID(), QStringLiteral("t"));
        QCOMPARE(f.model->state().clockOffset, offset);
        QVERIFY(f.model->pollTask().isCancelled());

        // A request already on its way may still reach the server; nothing after it.
        QTRY_VERIFY_WITH_TIMEOUT(!f.model->pollTask().isRunning(), waitMs);
        QTest::qWait(50);
        const qsizetype count = server.requests().size();
        QTest::qWait(200);
        QCOMPARE(server.requests().size(), count);
        QCOMPARE(f.model->status(), QStringLiteral("Nicht verbunden"));
    }

    void staleAttemptLeavesItsSuccessorAlone() {
        ScriptedHttpServer stuck;
        QVERIFY(stuck.listen());
        stuck.setResponse(QStringLiteral("get_status"), silent());
        ScriptedHttpServer good;
        QVERIFY(good.listen());
        Response slow = status("{}");
        slow.delayMs = 150;
        good.setResponse(QStringLiteral("get_status"), slow);

        ScriptedHttpServer refusing;
        QVERIFY(refusing.listen());
        refusing.setResponse(QStringLiteral("get_status"), failure(401));
        Fixture f(refusing.baseUrl());
        f.model->setTiming({30ms, 4s});
        // A 401 from an earlier attempt would make a failed candidate stop the attempt.
        f.model->connect();
        QTRY_COMPARE_WITH_TIMEOUT(f.model->lastHTTPCode(), 401, waitMs);
        QTRY_VERIFY_WITH_TIMEOUT(f.attemptEnded(), waitMs);
        f.statuses.clear();
        f.model->setServer(stuck.baseUrl());
        f.model->connect();
        QTRY_VERIFY_WITH_TIMEOUT(stuck.requests().size() == 1, waitMs);

        f.model->setServer(good.baseUrl());
        f.model->connect();
        QTRY_VERIFY_WITH_TIMEOUT(f.model->connected(), waitMs);
        for (const QString& text : std::as_const(f.statuses))
            QVERIFY2(!text.startsWith(u"Stagetimer:"), qPrintable(text));
        QCOMPARE(f.model->base(), good.baseUrl());
        QCOMPARE(f.connectedCalls, 1);
    }

    void suspensionEndsThePollLoop() {
        ScriptedHttpServer server;
        QVERIFY(server.listen());
        server.setResponse(QStringLiteral("get_status"), status("{}"));
        Fixture f(server.baseUrl());
        f.model->connect();
        QTRY_VERIFY_WITH_TIMEOUT(f.model->connected(), waitMs);
        SettingsStore().setBool(SettingsKey::stagetimerEnabled, true);

        // What the controller does when nothing needs the timers.
        f.model->suspend();
        QTRY_VERIFY_WITH_TIMEOUT(!f.model->pollTask().isRunning(), waitMs);
        QTest::qWait(50);
        const qsizetype count = server.requests().size();
        QTest::qWait(150);
        QCOMPARE(server.requests().size(), count);
        QVERIFY(SettingsStore().stagetimerEnabled());

        f.model->start();
        QTRY_VERIFY_WITH_TIMEOUT(f.model->connected(), waitMs);
    }

    // Debug lines end up in reports people pass around: none may carry the key or the room,
    // neither on the way to a connection nor when it fails.
    void debugLinesNeverCarryTheKeyOrTheRoom() {
        static QStringList lines;
        lines.clear();
        QLoggingCategory::setFilterRules(QStringLiteral("kalvane.stagetimer.debug=true"));
        const QtMessageHandler previous = qInstallMessageHandler(
            [](QtMsgType, const QMessageLogContext&, const QString& text) { lines << text; });
        ScriptedHttpServer server;
        QVERIFY(server.listen());
        int statusCount = 0;
        server.setHandler([&](const Request& request) {
            if (request.path == u"api/v1/get_status")
                return failure(404, R"({"message":"room-4711 s3cret-key"})");
            if (request.path != u"v1/get_status")
                return status("[]");
            return statusCount++ == 0 ? status(R"({"running":true,"finish":9e12})")
                                      : failure(401, R"({"message":"s3cret-key"})");
        });
        Fixture f(QStringLiteral("127.0.0.1:%1").arg(server.port()));
        f.model->setRoomID(QStringLiteral("room-4711"));
        f.model->setApiKey(QStringLiteral("s3cret-key"));
        f.model->connect();
        QTRY_VERIFY_WITH_TIMEOUT(statusCount >= 4 && !f.model->connected(), waitMs);
        f.model->disconnect();
        qInstallMessageHandler(previous);
        QLoggingCategory::setFilterRules(QString());

        QVERIFY(lines.size() >= 4);
        for (const QString& line : std::as_const(lines)) {
            QVERIFY2(!line.contains(u"s3cret") && !line.contains(u"room-4711") &&
                         !line.contains(u"room_id"),
                     qPrintable(line));
        }
    }

    void destroyingTheModelMidRequestIsSafe() {
        ScriptedHttpServer server;
        QVERIFY(server.listen());
        server.setResponse(QStringLiteral("get_status"), silent());
        auto f = std::make_unique<Fixture>(server.baseUrl());
        f->model->setTiming({30ms, 4s});
        f->model->connect();
        QTRY_VERIFY_WITH_TIMEOUT(server.requests().size() == 1, waitMs);
        f.reset();
        QTest::qWait(50);

        // And in the pause between two cycles.
        server.setResponse(QStringLiteral("get_status"), status("{}"));
        f = std::make_unique<Fixture>(server.baseUrl());
        f->model->setTiming({10s, 4s});
        f->model->connect();
        QTRY_VERIFY_WITH_TIMEOUT(server.requestCount(QStringLiteral("get_status")) >= 3, waitMs);
        QTest::qWait(30);
        f.reset();
        QTest::qWait(50);
    }

    void settingsAreTrimmedOfBlanksButNotLineBreaks() {
        SettingsStore settings;
        StagetimerModel model(settings);
        QSignalSpy room(&model, &StagetimerModel::roomIDChanged);
        QSignalSpy server(&model, &StagetimerModel::serverChanged);
        model.setRoomID(QStringLiteral(" \t\u00a0Main Hall\u2003 "));
        model.setApiKey(QStringLiteral("\tkey\n "));
        model.setServer(QStringLiteral("  192.168.1.5:4000\u3000"));
        QCOMPARE(SettingsStore().stagetimerRoom(), QStringLiteral("Main Hall"));
        QCOMPARE(model.apiKey(), QStringLiteral("key\n"));
        QCOMPARE(model.server(), QStringLiteral("192.168.1.5:4000"));
        QCOMPARE(room.count(), 1);
        QCOMPARE(server.count(), 1);
        QCOMPARE(trimBlanks(QStringLiteral("\n a \r")), QStringLiteral("\n a \r"));
    }
};

KALVANE_TEST_MAIN_CORE(StagetimerModelTest)

#include "StagetimerModelTest.moc"
