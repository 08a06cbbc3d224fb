#include "stagetimer/StagetimerWire.h"
#include "async/HttpSession.h"
#include "settings/SettingsStore.h"
#include "support/ScriptedHttpServer.h"
#include "support/TestMain.h"

#include <QCoroTask>
#include <QTcpServer>
#include <QTcpSocket>

using namespace std::chrono_literals;
using namespace stagetimer;
using Response = ScriptedHttpServer::Response;

namespace {

template <typename T>
T await(QCoro::Task<T>&& task) {
    return QCoro::waitFor(std::move(task));
}

async::HttpResponse answer(int status, const QByteArray& body) {
    async::HttpResponse response;
    response.received = true;
    response.status = status;
    response.body = body;
    return response;
}

// Accepts one connection, keeps the request head exactly as the client wrote it and answers
// with a good status envelope.
class RawCapture final : public QObject {
public:
    RawCapture() {
        m_server.listen(QHostAddress::LocalHost, 0);
        QObject::connect(&m_server, &QTcpServer::newConnection, this, [this] {
            QTcpSocket* socket = m_server.nextPendingConnection();
            QObject::connect(socket, &QTcpSocket::readyRead, this, [this, socket] {
                head += socket->readAll();
                if (!head.contains("\r\n\r\n"))
                    return;
                const QByteArray body = R"({"ok":true,"data":{}})";
                socket->write("HTTP/1.1 200 OK\r\nContent-Type: application/json\r\n"
                              "Content-Length: " +
                              QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" +
                              body);
                socket->disconnectFromHost();
            });
        });
    }
    QString baseUrl() const {
        return QStringLiteral("http://127.0.0.1:%1").arg(m_server.serverPort());
    }
    QByteArray head;

private:
    QTcpServer m_server;
};

} // namespace

namespace {

// The room and key the tests have just written to the store.
stagetimer::Credentials stored() {
    const SettingsStore settings;
    return {settings.stagetimerRoom(), settings.stagetimerKey()};
}

} // namespace

class StagetimerWireTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init() {
        TestSettings::installThrowawayStore();
        qunsetenv("KLV_STAGETIMER_CLOUD");
    }

    void cloudBaseAndNameComeFromConfiguration() {
        QCOMPARE(cloudBase(), QStringLiteral("https://api.stagetimer.io/v1"));
        QCOMPARE(cloudDisplayName(), QStringLiteral("api.stagetimer.io"));
        QCOMPARE(candidates(QString()),
                 QStringList{QStringLiteral("https://api.stagetimer.io/v1")});

        qputenv("KLV_STAGETIMER_CLOUD", "http://127.0.0.7:9/v1");
        QCOMPARE(cloudBase(), QStringLiteral("http://127.0.0.7:9/v1"));
        QCOMPARE(cloudDisplayName(), QStringLiteral("127.0.0.7"));
        QCOMPARE(candidates(QString()), QStringList{QStringLiteral("http://127.0.0.7:9/v1")});
    }

    void candidatesFollowTheFormOfTheSetting_data() {
        QTest::addColumn<QString>("setting");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("https with one slash")
            << QStringLiteral("https://st.example/")
            << QStringList{QStringLiteral("https://st.example"),
                           QStringLiteral("https://st.example/api/v1"),
                           QStringLiteral("https://st.example/v1")};
        QTest::newRow("http with two slashes loses one")
            << QStringLiteral("http://10.0.0.5:4000//")
            << QStringList{QStringLiteral("http://10.0.0.5:4000/"),
                           QStringLiteral("http://10.0.0.5:4000//api/v1"),
                           QStringLiteral("http://10.0.0.5:4000//v1")};
        QTest::newRow("desktop IP:Port, bare address last")
            << QStringLiteral("192.168.1.20:4000")
            << QStringList{QStringLiteral("http://192.168.1.20:4000/api/v1"),
                           QStringLiteral("http://192.168.1.20:4000/v1"),
                           QStringLiteral("http://192.168.1.20:4000")};
        // Schemes are case-insensitive: read as a host, the scheme would send the key to
        // whatever the name "http" resolves to.
        QTest::newRow("capital scheme")
            << QStringLiteral("HTTP://127.0.0.1:29102/v1")
            << QStringList{QStringLiteral("http://127.0.0.1:29102/v1"),
                           QStringLiteral("http://127.0.0.1:29102/v1/api/v1"),
                           QStringLiteral("http://127.0.0.1:29102/v1/v1")};
        QTest::newRow("mixed-case https")
            << QStringLiteral("HttPS://St.example/")
            << QStringList{QStringLiteral("https://St.example"),
                           QStringLiteral("https://St.example/api/v1"),
                           QStringLiteral("https://St.example/v1")};
        // Nothing usable: no candidate, so no request at all.
        QTest::newRow("query") << QStringLiteral("http://h:3000/?x=1") << QStringList();
        QTest::newRow("fragment") << QStringLiteral("h:3000#top") << QStringList();
        QTest::newRow("other scheme") << QStringLiteral("ftp://h:3000") << QStringList();
        QTest::newRow("user name") << QStringLiteral("http://me@h:3000") << QStringList();
        QTest::newRow("blank inside") << QStringLiteral("h st:3000") << QStringList();
        QTest::newRow("port out of range") << QStringLiteral("h:70000") << QStringList();
        QTest::newRow("empty port") << QStringLiteral("h:") << QStringList();
    }

    void candidatesFollowTheFormOfTheSetting() {
        QFETCH(QString, setting);
        QFETCH(QStringList, expected);
        QCOMPARE(candidates(setting), expected);
    }

    void queryValuesAreFullyEncoded() {
        QCOMPARE(encodeQueryValue(QStringLiteral("a b")), QStringLiteral("a%20b"));
        // Nothing in a value may end it or start another parameter.
        QCOMPARE(encodeQueryValue(QStringLiteral("a&b=c+d?e#f g")),
                 QStringLiteral("a%26b%3Dc%2Bd%3Fe%23f%20g"));
        QCOMPARE(encodeQueryValue(QStringLiteral("-._~aZ09")), QStringLiteral("-._~aZ09"));
        QCOMPARE(encodeQueryValue(QStringLiteral("!$'()*,/:;@")),
                 QStringLiteral("%21%24%27%28%29%2A%2C%2F%3A%3B%40"));
        QCOMPARE(encodeQueryValue(QStringLiteral("%#[]\"<>|\n")),
                 QStringLiteral("%25%23%5B%5D%22%3C%3E%7C%0A"));
        QCOMPARE(encodeQueryValue(QStringLiteral("Bühne")), QStringLiteral("B%C3%BChne"));
        // A lone surrogate has no UTF-8 form: the room is left empty.
        QCOMPARE(encodeQueryValue(QString(QChar(0xd800)) + u'x'), QString());
    }

    void requestTargetAndHeaderArriveAsBuilt() {
        ScriptedHttpServer server;
        QVERIFY(server.listen());
        server.setResponse(QStringLiteral("v1/get_timer"),
                           Response::json(R"({"data":{"name":"Keynote"}})"));
        SettingsStore settings;
        settings.setString(SettingsKey::stagetimerRoom, QStringLiteral("Main Hall&x=1"));
        settings.setString(SettingsKey::stagetimerKey, QStringLiteral("k3y"));

        int reported = -1;
        async::HttpSession session(4s);
        const Result<STTimer> result = await(get<STTimer>(
            session, QStringLiteral("get_timer"), server.baseUrl() + QStringLiteral("/v1"),
            timerQuery(QStringLiteral("6f1a-b2:c;d&x")), stored(), {},
            [&](int status) { reported = status; }));
        QVERIFY(result.ok());
        QCOMPARE(result.payload->name, QStringLiteral("Keynote"));
        QCOMPARE(reported, 200);

        QCOMPARE(server.requests().size(), 1);
        const auto request = server.requests().first();
        QCOMPARE(request.method, QByteArray("GET"));
        QCOMPARE(
            request.target,
            QByteArray("/v1/get_timer?room_id=Main%20Hall%26x%3D1&timer_id=6f1a-b2%3Ac%3Bd%26x"));
        QCOMPARE(request.header("Authorization"), QByteArray("Bearer k3y"));
        QVERIFY(request.header("Content-Length").isEmpty());
        QVERIFY(request.header("Cookie").isEmpty());
    }

    void emptyKeyStillSendsTheBearerHeader() {
        RawCapture capture;
        SettingsStore().setString(SettingsKey::stagetimerRoom, QStringLiteral("R1"));
        async::HttpSession session(4s);
        const Result<STStatus> result = await(get<STStatus>(
            session, QStringLiteral("get_status"), capture.baseUrl(), QString(), stored(), {}, {}));
        QVERIFY(result.ok());
        QVERIFY2(capture.head.startsWith("GET /get_status?room_id=R1 HTTP/1.1\r\n"),
                 capture.head.constData());
        QVERIFY2(capture.head.contains("\r\nAuthorization: Bearer \r\n"), capture.head.constData());
    }

    void keyFollowsNoRedirect_data() {
        QTest::addColumn<bool>("sameOrigin");
        QTest::newRow("another origin") << false;
        QTest::newRow("same origin") << true;
    }

    void keyFollowsNoRedirect() {
        QFETCH(bool, sameOrigin);
        ScriptedHttpServer elsewhere;
        QVERIFY(elsewhere.listen(QHostAddress(QStringLiteral("127.0.0.2"))));
        elsewhere.setResponse(QStringLiteral("get_status"), Response::json(R"({"data":{}})"));
        ScriptedHttpServer server;
        QVERIFY(server.listen());
        server.setResponse(QStringLiteral("moved/get_status"), Response::json(R"({"data":{}})"));
        Response moved = Response::text("", 302);
        moved.headers.append({"Location", sameOrigin
                                              ? server.baseUrl().toUtf8() + "/moved/get_status"
                                              : elsewhere.baseUrl().toUtf8() + "/get_status"});
        server.setResponse(QStringLiteral("get_status"), moved);
        SettingsStore().setString(SettingsKey::stagetimerKey, QStringLiteral("k3y"));

        async::HttpSession session(4s);
        const Result<STStatus> result = await(get<STStatus>(
            session, QStringLiteral("get_status"), server.baseUrl(), QString(), stored(), {}, {}));
        QCOMPARE(result.error, QStringLiteral("HTTP 302"));
        QCOMPARE(server.requestedPaths(), QStringList{QStringLiteral("get_status")});
        QCOMPARE(elsewhere.requests().size(), 0);
    }

    void unusableAddressOrKeySendsNothing() {
        ScriptedHttpServer server;
        QVERIFY(server.listen());
        SettingsStore settings;
        settings.setString(SettingsKey::stagetimerRoom, QStringLiteral("R"));
        async::HttpSession session(4s);
        int reports = 0;
        const auto count = [&](int) { ++reports; };

        Result<STStatus> result =
            await(get<STStatus>(session, QStringLiteral("get_status"),
                                QStringLiteral("http://127.0.0.1:%1x").arg(server.port()),
                                QString(), stored(), {}, count));
        QCOMPARE(result.error, QStringLiteral("Ungültige Adresse"));
        // A blank in a timer identifier is taken verbatim and so cannot be sent.
        result = await(get<STStatus>(session, QStringLiteral("get_timer"), server.baseUrl(),
                                     QStringLiteral("&timer_id=a b"), stored(), {}, count));
        QCOMPARE(result.error, QStringLiteral("Ungültige Adresse"));

        // A key with a line break would add a header line of its own.
        settings.setString(SettingsKey::stagetimerKey, QStringLiteral("abc\r\nX-Injected: 1"));
        result = await(get<STStatus>(session, QStringLiteral("get_status"), server.baseUrl(),
                                     QString(), stored(), {}, count));
        QCOMPARE(result.error, QStringLiteral("API-Key ungültig"));

        QCOMPARE(server.requests().size(), 0);
        QCOMPARE(reports, 0);
    }

    void transportFailuresReportNoStatus() {
        ScriptedHttpServer server;
        QVERIFY(server.listen());
        Response drop;
        drop.drop = true;
        Response silent;
        silent.silent = true;
        server.setResponse(QStringLiteral("drop/get_status"), drop);
        server.setResponse(QStringLiteral("silent/get_status"), silent);
        async::HttpSession session(150ms);
        int reports = 0;
        const auto count = [&](int) { ++reports; };

        for (const QString& base : {server.baseUrl() + QStringLiteral("/drop"),
                                    server.baseUrl() + QStringLiteral("/silent"),
                                    QStringLiteral("http://127.0.0.1:9/v1")}) {
            const Result<STStatus> result = await(get<STStatus>(
                session, QStringLiteral("get_status"), base, QString(), stored(), {}, count));
            QCOMPARE(result.error, QStringLiteral("Server nicht erreichbar"));
        }
        QCOMPARE(reports, 0);

        // Cancelling a request in flight ends it the same way.
        async::CancelToken token;
        auto pending = get<STStatus>(session, QStringLiteral("get_status"),
                                     server.baseUrl() + QStringLiteral("/silent"), QString(),
                                     stored(), token, count);
        token.cancel();
        QCOMPARE(await(std::move(pending)).error, QStringLiteral("Server nicht erreichbar"));
        QCOMPARE(reports, 0);
    }

    void responseTable_data() {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("expected"); // null: success

        const QByteArray good = R"({"ok":true,"data":{"running":true}})";
        QTest::newRow("200 with data") << 200 << good << QString();
        QTest::newRow("204 ok false with data is success")
            << 204 << QByteArray(R"({"ok":false,"data":{}})") << QString();
        QTest::newRow("200 ok true without data")
            << 200 << QByteArray(R"({"ok":true})") << QStringLiteral("Unerwartete Antwort");
        QTest::newRow("200 data null with message")
            << 200 << QByteArray(R"({"ok":false,"message":"Room archived","data":null})")
            << QStringLiteral("Room archived");
        QTest::newRow("200 empty message counts")
            << 200 << QByteArray(R"({"message":""})") << QStringLiteral("");
        QTest::newRow("200 not JSON")
            << 200 << QByteArray("<html>hi</html>") << QStringLiteral("Unerwartete Antwort");
        QTest::newRow("200 running as text")
            << 200 << QByteArray(R"({"ok":true,"data":{"running":"yes"}})")
            << QStringLiteral("Unerwartete Antwort");
        QTest::newRow("200 timer_id as number, message lost too")
            << 200 << QByteArray(R"({"message":"m","data":{"timer_id":5}})")
            << QStringLiteral("Unerwartete Antwort");
        QTest::newRow("200 message as number") << 200 << QByteArray(R"({"message":3,"data":{}})")
                                               << QStringLiteral("Unerwartete Antwort");
        QTest::newRow("200 top-level array")
            << 200 << QByteArray("[]") << QStringLiteral("Unerwartete Antwort");
        QTest::newRow("401 ignores message") << 401 << QByteArray(R"({"message":"bad token"})")
                                             << QStringLiteral("API-Key ungültig");
        QTest::newRow("403") << 403 << QByteArray() << QStringLiteral("API-Key ungültig");
        QTest::newRow("404 with message")
            << 404 << QByteArray(R"({"ok":false,"message":"No room R"})")
            << QStringLiteral("No room R");
        QTest::newRow("404 not JSON")
            << 404 << QByteArray("Cannot GET") << QStringLiteral("Raum nicht gefunden");
        QTest::newRow("404 with data is still an error")
            << 404 << good << QStringLiteral("Raum nicht gefunden");
        QTest::newRow("429 ignores message") << 429 << QByteArray(R"({"message":"slow down"})")
                                             << QStringLiteral("Zu viele Anfragen – kurz warten");
        QTest::newRow("500 empty") << 500 << QByteArray() << QStringLiteral("HTTP 500");
        QTest::newRow("503 with message")
            << 503 << QByteArray(R"({"message":"Maintenance"})") << QStringLiteral("Maintenance");
        QTest::newRow("302 without body") << 302 << QByteArray() << QStringLiteral("HTTP 302");
    }

    void responseTable() {
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(QString, expected);
        const Result<STStatus> result = interpret<STStatus>(answer(status, body));
        if (expected.isNull()) {
            QVERIFY(result.ok());
        } else {
            QVERIFY(!result.ok());
            QCOMPARE(result.error, expected);
        }
    }

    void responseTableOverTheWire() {
        ScriptedHttpServer server;
        QVERIFY(server.listen());
        Response huge = Response::json(R"({"ok":true,"data":{"finish":1}})", 200);
        huge.streamBytes = 2 * 1024 * 1024;
        server.setResponse(QStringLiteral("big/get_status"), huge);
        server.setResponse(QStringLiteral("gone/get_status"),
                           Response::json(R"({"message":"Gone"})", 410));
        server.setResponse(QStringLiteral("ok/get_status"),
                           Response::json(R"({"data":{"finish":1.5e12,"server_time":7}})"));
        async::HttpSession session(4s);
        QList<int> reported;
        const auto record = [&](int status) { reported << status; };

        Result<STStatus> result = await(get<STStatus>(session, QStringLiteral("get_status"),
                                                      server.baseUrl() + QStringLiteral("/big"),
                                                      QString(), stored(), {}, record));
        QCOMPARE(result.error, QStringLiteral("Unerwartete Antwort"));
        result = await(get<STStatus>(session, QStringLiteral("get_status"),
                                     server.baseUrl() + QStringLiteral("/gone"), QString(),
                                     stored(), {}, record));
        QCOMPARE(result.error, QStringLiteral("Gone"));
        result = await(get<STStatus>(session, QStringLiteral("get_status"),
                                     server.baseUrl() + QStringLiteral("/ok"), QString(), stored(),
                                     {}, record));
        QVERIFY(result.ok());
        QCOMPARE(result.payload->finish, 1.5e12);
        QCOMPARE(result.payload->server_time, 7.0);
        QCOMPARE(reported, (QList<int>{200, 410, 200}));
    }

    void statusDecodesEveryKey() {
        const auto envelope = decodeResponse<STStatus>(
            R"({"ok":true,"message":null,"data":{"timer_id":"t1","running":false,"start":1000,
                "finish":61000.5,"pause":null,"server_time":2000,"extra":{"x":[1]}}})");
        QVERIFY(envelope && envelope->data);
        const STStatus& status = *envelope->data;
        QCOMPARE(envelope->ok, true);
        QVERIFY(!envelope->message);
        QCOMPARE(status.timer_id, QStringLiteral("t1"));
        QCOMPARE(status.running, false);
        QCOMPARE(status.start, 1000.0);
        QCOMPARE(status.finish, 61000.5);
        QVERIFY(!status.pause);
        QCOMPARE(status.server_time, 2000.0);

        QVERIFY(decodeResponse<STStatus>(R"({"data":{}})")->data);
        QVERIFY(!decodeResponse<STStatus>(R"({"ok":"true","data":{}})"));
        QVERIFY(!decodeResponse<STStatus>(R"({"data":[]})"));
        QVERIFY(!decodeResponse<STStatus>(R"({"data":{"finish":"1"}})"));
        QVERIFY(!decodeResponse<STTimer>(R"({"data":{"name":1}})"));
        QVERIFY(!decodeResponse<STStatus>("null"));
    }

    void messagesAcceptBothShapes() {
        const QByteArray list =
            R"([{"_id":"a","showing":false,"text":"A","bold":true},
                {"showing":true,"text":"B","color":"red","uppercase":false},
                {"showing":true,"text":"C"}])";
        const auto bare = decodeResponse<STMessages>(R"({"ok":true,"data":)" + list + "}");
        QVERIFY(bare && bare->data && bare->data->messages);
        QCOMPARE(bare->data->messages->size(), 3);
        QCOMPARE(showingMessage(*bare->data), QStringLiteral("B"));
        QCOMPARE(bare->data->messages->at(1).color, QStringLiteral("red"));

        const auto wrapped = decodeResponse<STMessages>(R"({"data":{"messages":)" + list + "}}");
        QVERIFY(wrapped && wrapped->data);
        QCOMPARE(showingMessage(*wrapped->data), QStringLiteral("B"));

        // Nothing showing, no list, a showing message without text: all empty.
        QCOMPARE(
            showingMessage(
                *decodeResponse<STMessages>(R"({"data":[{"showing":false,"text":"A"}]})")->data),
            QString());
        QCOMPARE(showingMessage(*decodeResponse<STMessages>(R"({"data":{}})")->data), QString());
        QCOMPARE(showingMessage(*decodeResponse<STMessages>(
                                     R"({"data":[{"showing":true},{"showing":true,"text":"X"}]})")
                                     ->data),
                 QString());

        // The element rules hold in both shapes.
        QVERIFY(!decodeResponse<STMessages>(R"({"data":[{"showing":"yes"}]})"));
        QVERIFY(!decodeResponse<STMessages>(R"({"data":{"messages":[{"text":2}]}})"));
        QVERIFY(!decodeResponse<STMessages>(R"({"data":[1]})"));
        QVERIFY(!decodeResponse<STMessages>(R"({"data":{"messages":{}}})"));
    }
};

KALVANE_TEST_MAIN_CORE(StagetimerWireTest)

#include "StagetimerWireTest.moc"
