#include "async/HttpSession.h"
#include "async/Sleep.h"
#include "async/TaskHandle.h"
#include "support/ScriptedHttpServer.h"
#include "support/TestMain.h"

#include <QCoroTask>
#include <QElapsedTimer>
#include <QTcpServer>
#include <QThread>

using namespace std::chrono_literals;
using Response = ScriptedHttpServer::Response;

namespace {

// Runs `task` to completion in a nested event loop.
template <typename T>
T await(QCoro::Task<T>&& task) {
    return QCoro::waitFor(std::move(task));
}

QNetworkRequest requestFor(const ScriptedHttpServer& server, const QString& path) {
    return QNetworkRequest(QUrl(server.baseUrl() + u'/' + path));
}

// A port on which nothing listens: bound once, then released.
quint16 closedPort() {
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

} // namespace

class AsyncTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void sleepRunsItsCourse() {
        QElapsedTimer timer;
        timer.start();
        QVERIFY(await(async::sleep(60ms, {})));
        QVERIFY(timer.elapsed() >= 55);
    }

    void cancelledSleepEndsEarlyAndNeverInsideCancel() {
        async::CancelToken token;
        bool resumed = false;
        bool result = true;
        // Named, so that its captures outlive the suspended coroutine.
        auto body = [&]() -> QCoro::Task<> {
            auto sleeping = async::sleep(10s, token);
            result = co_await std::move(sleeping);
            resumed = true;
        };
        auto task = body();
        QElapsedTimer timer;
        timer.start();
        token.cancel();
        // Resumption waits for the event loop, so the canceller never runs the task's code.
        QVERIFY(!resumed);
        QTRY_VERIFY_WITH_TIMEOUT(resumed, 2000);
        QVERIFY(!result);
        QVERIFY(timer.elapsed() < 2000);
    }

    void sleepOnCancelledTokenReturnsAtOnce() {
        async::CancelToken token;
        token.cancel();
        QVERIFY(!await(async::sleep(10s, token)));
    }

    void cancellationFromAnotherThreadReachesTheSleeper() {
        async::CancelToken token;
        bool done = false;
        // Named, so that its captures outlive the suspended coroutine.
        auto body = [&]() -> QCoro::Task<> {
            auto sleeping = async::sleep(10s, token);
            co_await std::move(sleeping);
            done = true;
        };
        auto task = body();
        QThread* canceller = QThread::create([token] {
            QThread::msleep(50);
            token.cancel();
        });
        canceller->start();
        QTRY_VERIFY_WITH_TIMEOUT(done, 3000);
        canceller->wait();
        delete canceller;
    }

    void taskHandleReportsRunningCancelledAndFinished() {
        int loops = 0;
        async::TaskHandle handle =
            async::TaskHandle::start([&](async::CancelToken token) -> QCoro::Task<> {
                while (!token.isCancelled()) {
                    ++loops;
                    auto pause = async::sleep(5ms, token);
                    const bool slept = co_await std::move(pause);
                    if (!slept)
                        break;
                }
            });
        QVERIFY(handle.isRunning());
        QTRY_VERIFY(loops >= 3);
        handle.cancel();
        QVERIFY(handle.isCancelled());
        QTRY_VERIFY(!handle.isRunning());
        const int after = loops;
        QTest::qWait(30);
        QCOMPARE(loops, after);
        // An empty handle can be cancelled harmlessly.
        async::TaskHandle().cancel();
    }

    void getReturnsStatusAndBodyForAnyHttpAnswer() {
        ScriptedHttpServer server;
        QVERIFY(server.listen());
        server.setResponse(QStringLiteral("ok"), Response::json("{\"a\":1}"));
        server.setResponse(QStringLiteral("gone"), Response::json("{\"message\":\"no\"}", 404));
        server.setResponse(QStringLiteral("broken"), Response::text("oops", 500));
        async::HttpSession session(1500ms);

        const auto ok = await(session.get(requestFor(server, QStringLiteral("ok"))));
        QVERIFY(ok.received);
        QCOMPARE(ok.status, 200);
        QCOMPARE(ok.body, QByteArray("{\"a\":1}"));

        const auto gone = await(session.get(requestFor(server, QStringLiteral("gone"))));
        QVERIFY(gone.received);
        QCOMPARE(gone.status, 404);
        QCOMPARE(gone.body, QByteArray("{\"message\":\"no\"}"));

        const auto broken = await(session.get(requestFor(server, QStringLiteral("broken"))));
        QVERIFY(broken.received);
        QCOMPARE(broken.status, 500);
        QCOMPARE(broken.body, QByteArray("oops"));
        QCOMPARE(server.requests().first().method, QByteArray("GET"));
    }

    void transportFailuresReceiveNothing() {
        async::HttpSession session(300ms);
        const auto refused = await(session.get(
            QNetworkRequest(QUrl(QStringLiteral("http://127.0.0.1:%1/x").arg(closedPort())))));
        QVERIFY(!refused.received);
        QCOMPARE(refused.status, 0);

        ScriptedHttpServer server;
        QVERIFY(server.listen());
        Response dropped;
        dropped.drop = true;
        server.setResponse(QStringLiteral("drop"), dropped);
        const auto drop = await(session.get(requestFor(server, QStringLiteral("drop"))));
        QVERIFY(!drop.received);

        const auto invalid =
            await(session.get(QNetworkRequest(QUrl(QStringLiteral("http://a b/")))));
        QVERIFY(!invalid.received);
    }

    void silentServerTimesOutAfterTheTransferTimeout() {
        ScriptedHttpServer server;
        QVERIFY(server.listen());
        Response silent;
        silent.silent = true;
        server.setResponse(QStringLiteral("silent"), silent);
        async::HttpSession session(200ms);
        QElapsedTimer timer;
        timer.start();
        const auto response = await(session.get(requestFor(server, QStringLiteral("silent"))));
        QVERIFY(!response.received);
        QVERIFY2(timer.elapsed() < 1500, qPrintable(QString::number(timer.elapsed())));
    }

    void tricklingServerMeetsTheDeadline_data() {
        QTest::addColumn<int>("deadlineMs");
        QTest::addColumn<bool>("received");
        // Data every 100 ms keeps the 300 ms transfer timeout from firing; only the deadline
        // for the whole request ends a trickle.
        QTest::newRow("within the deadline") << 3000 << true;
        QTest::newRow("past the deadline") << 400 << false;
    }

    void tricklingServerMeetsTheDeadline() {
        QFETCH(int, deadlineMs);
        QFETCH(bool, received);
        ScriptedHttpServer server;
        QVERIFY(server.listen());
        Response trickle = Response::json(QByteArray(40, 'a'));
        trickle.trickleBytes = 5;
        trickle.trickleIntervalMs = 100;
        server.setResponse(QStringLiteral("slow"), trickle);
        async::HttpSession session(300ms);
        session.setDeadline(std::chrono::milliseconds(deadlineMs));
        QElapsedTimer timer;
        timer.start();
        const auto response = await(session.get(requestFor(server, QStringLiteral("slow"))));
        QCOMPARE(response.received, received);
        QCOMPARE(response.body, received ? QByteArray(40, 'a') : QByteArray());
        if (!received) {
            QCOMPARE(response.error, QNetworkReply::TimeoutError);
            QVERIFY2(timer.elapsed() < 700, qPrintable(QString::number(timer.elapsed())));
        }
    }

    void bodyBeyondTheCapIsDroppedButTheAnswerCounts() {
        ScriptedHttpServer server;
        QVERIFY(server.listen());
        Response huge = Response::json("{");
        huge.streamBytes = 8 * 1024 * 1024;
        server.setResponse(QStringLiteral("huge"), huge);
        server.setResponse(QStringLiteral("large"), Response::json(QByteArray(2000, 'b')));
        async::HttpSession session(1500ms, 1024);

        const auto streamed = await(session.get(requestFor(server, QStringLiteral("huge"))));
        QVERIFY(streamed.received);
        QCOMPARE(streamed.status, 200);
        QVERIFY(streamed.bodyTooLarge);
        QVERIFY(streamed.body.isEmpty());

        const auto large = await(session.get(requestFor(server, QStringLiteral("large"))));
        QVERIFY(large.received);
        QVERIFY(large.bodyTooLarge);
    }

    void bodiesArriveAsSentNeverUnpacked() {
        // A few kilobytes of deflate can unfold into gigabytes: we never ask for packed
        // bodies, and one sent anyway stays packed (and so fails to decode).
        ScriptedHttpServer server;
        QVERIFY(server.listen());
        const QByteArray packed = qCompress(QByteArray("{\"a\":1}"), 9).mid(4);
        Response deflated = Response::json(packed);
        deflated.headers.append(qMakePair(QByteArray("Content-Encoding"), QByteArray("deflate")));
        server.setResponse(QStringLiteral("packed"), deflated);
        async::HttpSession session(1500ms);
        const auto response = await(session.get(requestFor(server, QStringLiteral("packed"))));
        QVERIFY(response.received);
        QCOMPARE(response.body, packed);
        QCOMPARE(server.requests().first().header("Accept-Encoding"), QByteArray("identity"));
    }

    void cancellingAbortsTheRequestAsTransportFailure() {
        ScriptedHttpServer server;
        QVERIFY(server.listen());
        Response silent;
        silent.silent = true;
        server.setResponse(QStringLiteral("silent"), silent);
        async::HttpSession session(10s);
        async::CancelToken token;
        std::optional<async::HttpResponse> result;
        // Named, so that its captures outlive the suspended coroutine.
        auto body = [&]() -> QCoro::Task<> {
            auto request = session.get(requestFor(server, QStringLiteral("silent")), token);
            result = co_await std::move(request);
        };
        auto task = body();
        QTRY_COMPARE(server.requests().size(), 1);
        token.cancel();
        QVERIFY(!result);
        QTRY_VERIFY_WITH_TIMEOUT(result.has_value(), 2000);
        QVERIFY(!result->received);
        QCOMPARE(result->error, QNetworkReply::OperationCanceledError);
    }

    void noCookiesAreKept() {
        ScriptedHttpServer server;
        QVERIFY(server.listen());
        Response withCookie = Response::json("{}");
        withCookie.headers.append(
            qMakePair(QByteArray("Set-Cookie"), QByteArray("session=abc; Path=/")));
        server.setResponse(QStringLiteral("a"), withCookie);
        server.setResponse(QStringLiteral("b"), Response::json("{}"));
        async::HttpSession session(1500ms);
        await(session.get(requestFor(server, QStringLiteral("a"))));
        await(session.get(requestFor(server, QStringLiteral("b"))));
        QVERIFY(server.requests().last().header("Cookie").isEmpty());
    }
};

KALVANE_TEST_MAIN_CORE(AsyncTest)
#include "AsyncTest.moc"
