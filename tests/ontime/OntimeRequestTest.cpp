#include "async/PlainGet.h"
#include "async/RequestSessions.h"
#include "ontime/OntimeFakes.h"
#include "ontime/OntimeProbe.h"
#include "ontime/OntimeRecords.h"
#include "support/ScriptedHttpServer.h"
#include "support/TestMain.h"

#include <QElapsedTimer>
#include <QTcpServer>
#include <QTimer>

using namespace std::chrono_literals;
using Response = ScriptedHttpServer::Response;

Q_DECLARE_METATYPE(ScriptedHttpServer::Response)

namespace {

using fakes::closedPort;

std::optional<OntimeServer> probe(const ScriptedHttpServer& server) {
    return QCoro::waitFor(probeOntime(server.host(), server.port(), async::requestSession()));
}

async::Fetched<VersionResponse> fetchVersion(const QString& host, qint64 port) {
    return QCoro::waitFor(async::fetchChecked<VersionResponse>(
        host, port, QStringLiteral("api/version"), async::requestSession()));
}

} // namespace

class OntimeRequestTest final : public QObject {
    Q_OBJECT

    ScriptedHttpServer* m_server = nullptr;

private Q_SLOTS:
    void init() {
        async::setRequestTimeouts({1500ms, 800ms});
        m_server = new ScriptedHttpServer(this);
        QVERIFY(m_server->listen());
    }

    void cleanup() { delete m_server; }

    void currentServerIsFoundWithOneRequest() {
        m_server->setResponse(QStringLiteral("api/version"),
                              Response::json(R"({"payload":"3.16.1"})"));
        const auto server = probe(*m_server);
        QVERIFY(server);
        QCOMPARE(*server, (OntimeServer{QStringLiteral("127.0.0.1"), m_server->port(),
                                        OntimeAPI::v3, QStringLiteral("3.16.1")}));
        QCOMPARE(m_server->requestedPaths(), QStringList{QStringLiteral("api/version")});
        // A plain GET: no body, no query.
        const ScriptedHttpServer::Request request = m_server->requests().first();
        QCOMPARE(request.method, QByteArray("GET"));
        QCOMPARE(request.target, QByteArray("/api/version"));
        QVERIFY(request.header("Content-Length").isEmpty() ||
                request.header("Content-Length") == "0");
    }

    // Version 4 answers its integration routes with 202.
    void acceptedStatusCounts() {
        m_server->setResponse(QStringLiteral("api/version"),
                              Response::json(R"({"payload":"4.11.0"})", 202));
        QCOMPARE(probe(*m_server)->version, QStringLiteral("4.11.0"));
    }

    void legacyServerIsTriedAfterTheCurrentInterface() {
        m_server->setResponse(QStringLiteral("api/version"), Response::text("Not found", 404));
        m_server->setResponse(QStringLiteral("ontime/info"),
                              Response::json(R"({"serverPort":4001,"networkInterfaces":[]})"));
        const auto server = probe(*m_server);
        QVERIFY(server);
        QCOMPARE(server->api, OntimeAPI::v1);
        QCOMPARE(server->version, QStringLiteral("1.x"));
        QCOMPARE(server->label(),
                 QStringLiteral("127.0.0.1:%1 \u2013 Ontime 1.x").arg(m_server->port()));
        QCOMPARE(m_server->requestedPaths(),
                 (QStringList{QStringLiteral("api/version"), QStringLiteral("ontime/info")}));
    }

    void answersThatAreNotACurrentVersionFallThrough_data() {
        QTest::addColumn<Response>("version");
        QTest::newRow("payload a number") << Response::json(R"({"payload":3})");
        QTest::newRow("html") << Response::text("<html>ontime</html>");
        QTest::newRow("server error") << Response::json(R"({"payload":"3.16.1"})", 500);
    }

    void answersThatAreNotACurrentVersionFallThrough() {
        QFETCH(Response, version);
        m_server->setResponse(QStringLiteral("api/version"), version);
        m_server->setResponse(QStringLiteral("ontime/info"), Response::text("<html>app</html>"));
        QVERIFY(!probe(*m_server));
        QCOMPARE(m_server->requestedPaths(),
                 (QStringList{QStringLiteral("api/version"), QStringLiteral("ontime/info")}));
    }

    // A timer on the local network has no business sending us to another host.
    void redirectToAnotherHostIsNotFollowed() {
        ScriptedHttpServer elsewhere;
        QVERIFY(elsewhere.listen(QHostAddress(QStringLiteral("127.0.0.2"))));
        elsewhere.setResponse(QStringLiteral("api/version"), fakes::version("9.9.9"));
        Response redirect = Response::text({}, 301);
        redirect.headers.append(
            {QByteArray("Location"), elsewhere.baseUrl().toUtf8() + "/api/version"});
        m_server->setResponse(QStringLiteral("api/version"), redirect);
        QVERIFY(!probe(*m_server));
        QVERIFY(elsewhere.requests().isEmpty());

        // The same host may move its answer to another path.
        Response moved = Response::text({}, 301);
        moved.headers.append({QByteArray("Location"), QByteArray("/api/version/")});
        m_server->setResponse(QStringLiteral("api/version"), moved);
        m_server->setResponse(QStringLiteral("api/version/"), fakes::version("3.5.1"));
        QCOMPARE(probe(*m_server)->version, QStringLiteral("3.5.1"));
    }

    void aHostWithoutAnswerCostsOneRequest() {
        async::setRequestTimeouts({200ms, 200ms});
        m_server->setResponse(QStringLiteral("api/version"), fakes::silent());
        QVERIFY(!probe(*m_server));
        QCOMPARE(m_server->requestedPaths(), QStringList{QStringLiteral("api/version")});

        // A connection closed without an answer is a failure as well (the network layer
        // resends a request once when that happens, so it is not counted here).
        m_server->setResponse(QStringLiteral("api/version"), fakes::dropped());
        QVERIFY(!probe(*m_server));
        QVERIFY(!m_server->requestedPaths().contains(QStringLiteral("ontime/info")));

        QVERIFY(!QCoro::waitFor(
            probeOntime(QStringLiteral("127.0.0.1"), closedPort(), async::requestSession())));
    }

    void fetchOutcomes() {
        // Transport failures: refused, and silence past the timeout.
        auto refused = fetchVersion(QStringLiteral("127.0.0.1"), closedPort());
        QVERIFY(!refused.value);
        QVERIFY(!refused.reachable);

        async::setRequestTimeouts({200ms, 200ms});
        m_server->setResponse(QStringLiteral("api/version"), fakes::silent());
        QElapsedTimer timer;
        timer.start();
        auto silent = fetchVersion(m_server->host(), m_server->port());
        QVERIFY(!silent.reachable);
        QVERIFY(timer.elapsed() < 1500);
        async::setRequestTimeouts({1500ms, 800ms});

        m_server->setResponse(QStringLiteral("api/version"), Response::json("{}", 503));
        auto unavailable = fetchVersion(m_server->host(), m_server->port());
        QVERIFY(!unavailable.value);
        QVERIFY(unavailable.reachable);

        m_server->setResponse(QStringLiteral("api/version"), Response::json("{\"payload\":"));
        auto broken = fetchVersion(m_server->host(), m_server->port());
        QVERIFY(!broken.value);
        QVERIFY(broken.reachable);

        m_server->setResponse(QStringLiteral("api/version"), Response::json(R"({"payload":"x"})"));
        auto good = fetchVersion(m_server->host(), m_server->port());
        QCOMPARE(good.value->payload, QStringLiteral("x"));
        QVERIFY(good.reachable);
    }

    // A server that streams megabytes is an answer we do not read, not a memory problem.
    void hugeBodyIsAnUndecodableAnswer() {
        Response huge = Response::json(R"({"payload":"3.16.1"})");
        huge.streamBytes = 3 * 1024 * 1024;
        m_server->setResponse(QStringLiteral("api/version"), huge);
        auto fetched = fetchVersion(m_server->host(), m_server->port());
        QVERIFY(!fetched.value);
        QVERIFY(fetched.reachable);
    }

    void addressesThatCannotBeFormedSendNothing() {
        QVERIFY(!async::requestUrl(QStringLiteral("a b"), 4001, QStringLiteral("api/version")));
        QVERIFY(!async::requestUrl(QStringLiteral(""), 4001, QStringLiteral("api/version")));
        QVERIFY(!async::requestUrl(QStringLiteral("127.0.3.1"), 70000, QStringLiteral("api/poll")));
        QVERIFY(!async::requestUrl(QStringLiteral("127.0.3.1"), -1, QStringLiteral("api/poll")));
        // Text that would quietly send the request to another port or path.
        QVERIFY(
            !async::requestUrl(QStringLiteral("127.0.3.1/x"), 4001, QStringLiteral("api/poll")));
        QVERIFY(
            !async::requestUrl(QStringLiteral("me@127.0.3.1"), 4001, QStringLiteral("api/poll")));
        QVERIFY(!async::requestUrl(QStringLiteral("127.0.3.1#"), 4001, QStringLiteral("api/poll")));
        QCOMPARE(async::requestUrl(QStringLiteral("ontime.local"), 4001, QStringLiteral("api/poll"))
                     ->toString(),
                 QStringLiteral("http://ontime.local:4001/api/poll"));

        auto fetched = fetchVersion(QStringLiteral("a b"), m_server->port());
        QVERIFY(!fetched.reachable);
        QVERIFY(!QCoro::waitFor(
            probeOntime(QStringLiteral("127.0.0.1 x"), m_server->port(), async::requestSession())));
        QVERIFY(m_server->requests().isEmpty());
    }

    void cancellationEndsTheRequestAsUnreachable() {
        m_server->setResponse(QStringLiteral("api/version"), fakes::silent());
        async::CancelToken token;
        QTimer::singleShot(50, [token] { token.cancel(); });
        QElapsedTimer timer;
        timer.start();
        const auto server = QCoro::waitFor(
            probeOntime(m_server->host(), m_server->port(), async::requestSession(), token));
        QVERIFY(!server);
        QVERIFY(timer.elapsed() < 1000);
        QCOMPARE(m_server->requests().size(), 1);
    }

    void eachThreadHasItsOwnSessions() {
        async::HttpSession* mainSession = &async::requestSession();
        QCOMPARE(&async::requestSession(), mainSession);
        QVERIFY(&async::scanSession() != mainSession);
        async::HttpSession* other = nullptr;
        QThread* thread = QThread::create([&other] { other = &async::requestSession(); });
        thread->start();
        thread->wait();
        delete thread;
        QVERIFY(other && other != mainSession);
        QCOMPARE(async::requestSession().transferTimeout(), 1500ms);
        QCOMPARE(async::scanSession().transferTimeout(), 800ms);
    }
};

KALVANE_TEST_MAIN_CORE(OntimeRequestTest)
#include "OntimeRequestTest.moc"
