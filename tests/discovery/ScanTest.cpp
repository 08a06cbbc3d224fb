#include "discovery/Scan.h"
#include "async/RequestSessions.h"
#include "discovery/Interfaces.h"
#include "discovery/StagetimerProbe.h"
#include "l10n/L10n.h"
#include "ontime/OntimeFakes.h"
#include "ontime/OntimeProbe.h"
#include "support/ScriptedHttpServer.h"
#include "support/TestMain.h"

#include <QElapsedTimer>
#include <QTimer>

using namespace std::chrono_literals;
using Response = ScriptedHttpServer::Response;

namespace {

struct ProgressCall {
    qsizetype done;
    qsizetype total;
    QStringList servers;
    friend bool operator==(const ProgressCall&, const ProgressCall&) = default;
};

QStringList hostsOf(const QList<OntimeServer>& servers) {
    QStringList hosts;
    for (const OntimeServer& s : servers)
        hosts << s.host;
    return hosts;
}

void useInterfaces(const QString& text) {
    const auto list = Discovery::parseInterfaceList(text);
    QVERIFY(list);
    Discovery::setInterfaceProvider([list = *list] { return list; });
}

QByteArray page(const QByteArray& head, qsizetype fillTo, const QByteArray& tail) {
    QByteArray body = head;
    body += QByteArray(fillTo - head.size(), 'x');
    return body + tail;
}

// Ontime of both generations, a decoy web server, and Stagetimer desktops in every variant,
// each on its own address of 127.0.1.0/24.
const QString v1Host = QStringLiteral("127.0.1.9");
const QString v3Host = QStringLiteral("127.0.1.10");
const QString decoyHost = QStringLiteral("127.0.1.11");
const QString stagetimerHost = QStringLiteral("127.0.1.12");
const QString oldStagetimerHost = QStringLiteral("127.0.1.13");
const QString lateWordHost = QStringLiteral("127.0.1.14");
const QString splitCharacterHost = QStringLiteral("127.0.1.15");
const QString errorPageHost = QStringLiteral("127.0.1.16");
const QString v3OtherHost = QStringLiteral("127.0.1.100");
const QString lateBatchHost = QStringLiteral("127.0.1.200");

} // namespace

class ScanTest final : public QObject {
    Q_OBJECT

    fakes::FakeHosts m_ontime;
    fakes::FakeHosts m_stagetimer;

    Discovery::ScanResult<OntimeServer> scan(QList<ProgressCall>* calls = nullptr,
                                             async::CancelToken token = {},
                                             std::function<void(qsizetype)> onProgress = {}) {
        Discovery::ScanProgress<OntimeServer> progress =
            [calls, onProgress](qsizetype done, qsizetype total,
                                const QList<OntimeServer>& servers) {
                if (calls)
                    calls->append({done, total, hostsOf(servers)});
                if (onProgress)
                    onProgress(done);
            };
        return QCoro::waitFor(Discovery::scan<OntimeServer>(
            probeOntime, m_ontime.port(), m_stagetimer.port(), std::move(progress), token));
    }

private Q_SLOTS:
    void initTestCase() {
        L10n::overrideLanguage(QStringLiteral("de"));
        const QStringList hosts{QStringLiteral("127.0.0.1"),
                                v1Host,
                                v3Host,
                                decoyHost,
                                stagetimerHost,
                                oldStagetimerHost,
                                lateWordHost,
                                splitCharacterHost,
                                errorPageHost,
                                v3OtherHost,
                                lateBatchHost};
        QVERIFY(m_ontime.listen(hosts));
        QVERIFY(m_stagetimer.listen(hosts));

        m_ontime.at(v1Host).setResponse(QStringLiteral("api/version"),
                                        Response::text("Cannot GET", 404));
        m_ontime.at(v1Host).setResponse(QStringLiteral("ontime/info"),
                                        Response::json(R"({"serverPort":4001})"));
        m_ontime.at(v3Host).setResponse(QStringLiteral("api/version"), fakes::version("4.11.0"));
        m_ontime.at(v3OtherHost)
            .setResponse(QStringLiteral("api/version"), fakes::version("3.5.1"));
        m_ontime.at(lateBatchHost)
            .setResponse(QStringLiteral("api/version"), fakes::version("3.16.1"));
        for (const char* path : {"api/version", "ontime/info"})
            m_ontime.at(decoyHost).setResponse(QString::fromLatin1(path),
                                               Response::text("<html>Router</html>"));

        m_stagetimer.at(stagetimerHost)
            .setResponse(QStringLiteral("api/v1/"),
                         Response::json(R"({"app":"StAgEtImEr desktop"})"));
        m_stagetimer.at(oldStagetimerHost)
            .setResponse(QStringLiteral("api/v1/"), Response::text("Cannot GET /api/v1/", 404));
        m_stagetimer.at(oldStagetimerHost)
            .setResponse(QStringLiteral("api/v0/"), Response::text("stagetimer.io desktop app"));
        m_stagetimer.at(lateWordHost)
            .setResponse(QStringLiteral("api/v1/"),
                         Response::text(page("<html>", 400, "stagetimer")));
        // The word is inside the first 400 bytes, but byte 400 cuts a two-byte character.
        m_stagetimer.at(splitCharacterHost)
            .setResponse(QStringLiteral("api/v1/"),
                         Response::text(page("stagetimer", 399, "\xC3\xA9 more")));
        // Any status counts, as long as the page names the program.
        m_stagetimer.at(errorPageHost)
            .setResponse(QStringLiteral("api/v0/"),
                         Response::text("No such room (Stagetimer)", 404));
    }

    void init() {
        async::setRequestTimeouts({});
        useInterfaces(QStringLiteral("en9=127.0.1.20/24"));
    }

    void cleanup() { Discovery::setInterfaceProvider({}); }

    void wordInTheFirst400Bytes() {
        QVERIFY(Discovery::namesStagetimer("{\"name\":\"Stagetimer\"}"));
        QVERIFY(Discovery::namesStagetimer("STAGETIMER"));
        QVERIFY(!Discovery::namesStagetimer("stage timer"));
        QVERIFY(!Discovery::namesStagetimer(""));
        QVERIFY(Discovery::namesStagetimer(page("", 390, "stagetimer")));
        QVERIFY(!Discovery::namesStagetimer(page("", 391, "stagetimer")));
        QVERIFY(!Discovery::namesStagetimer(page("stagetimer", 399, "\xE2\x80\x93")));
        QVERIFY(Discovery::namesStagetimer(page("stagetimer", 398, "\xC3\xA9")));
        QVERIFY(!Discovery::namesStagetimer("stagetimer \xFF"));
        // A byte-order mark is text, too.
        QVERIFY(Discovery::namesStagetimer("\xEF\xBB\xBFstagetimer"));
    }

    void stagetimerProbe() {
        auto& session = async::scanSession();
        const qint64 port = m_stagetimer.port();
        const auto probe = [&](const QString& host) {
            return QCoro::waitFor(Discovery::probeStagetimer(host, port, session));
        };
        for (const QString& host : {stagetimerHost, oldStagetimerHost, decoyHost})
            m_stagetimer.at(host).clearRequests();

        QCOMPARE(probe(stagetimerHost), (StagetimerDesktop{stagetimerHost, port, true}));
        QCOMPARE(m_stagetimer.at(stagetimerHost).requestedPaths(),
                 QStringList{QStringLiteral("api/v1/")});
        QCOMPARE(probe(oldStagetimerHost), (StagetimerDesktop{oldStagetimerHost, port, false}));
        QCOMPARE(m_stagetimer.at(oldStagetimerHost).requestedPaths(),
                 (QStringList{QStringLiteral("api/v1/"), QStringLiteral("api/v0/")}));
        QVERIFY(!probe(decoyHost));
        QCOMPARE(m_stagetimer.at(decoyHost).requestedPaths(),
                 (QStringList{QStringLiteral("api/v1/"), QStringLiteral("api/v0/")}));
        QVERIFY(!probe(lateWordHost));
        QVERIFY(!probe(splitCharacterHost));
        QCOMPARE(probe(errorPageHost), (StagetimerDesktop{errorPageHost, port, false}));
        QVERIFY(!QCoro::waitFor(
            Discovery::probeStagetimer(QStringLiteral("127.0.1.77"), port, session)));
        QVERIFY(!QCoro::waitFor(Discovery::probeStagetimer(QStringLiteral("a b"), port, session)));
    }

    void scanFindsEverythingInOrder() {
        QList<ProgressCall> calls;
        m_ontime.at(decoyHost).clearRequests();
        m_stagetimer.at(stagetimerHost).clearRequests();
        const Discovery::ScanResult<OntimeServer> result = scan(&calls);

        QCOMPARE(hostsOf(result.servers),
                 (QStringList{v1Host, v3Host, v3OtherHost, lateBatchHost}));
        const quint16 port = m_ontime.port();
        QCOMPARE(result.servers[0],
                 (OntimeServer{v1Host, port, OntimeAPI::v1, QStringLiteral("1.x")}));
        QCOMPARE(result.servers[1],
                 (OntimeServer{v3Host, port, OntimeAPI::v3, QStringLiteral("4.11.0")}));
        QCOMPARE(result.servers[2].version, QStringLiteral("3.5.1"));
        const quint16 stagetimerPort = m_stagetimer.port();
        QCOMPARE(result.stagetimers,
                 (QList<StagetimerDesktop>{{stagetimerHost, stagetimerPort, true},
                                           {oldStagetimerHost, stagetimerPort, false},
                                           {errorPageHost, stagetimerPort, false}}));
        QCOMPARE(result.info, QStringLiteral("en9 127.0.1.20: 127.0.1.1 \u2013 127.0.1.254\n"
                                             "254 Adressen geprüft, 4 Ontime gefunden, "
                                             "3 Stagetimer gefunden"));
        // Progress before each batch, with the servers of the batches before.
        QCOMPARE(calls.size(), 2);
        QCOMPARE(calls[0], (ProgressCall{0, 254, {}}));
        QCOMPARE(calls[1].done, 128);
        QCOMPARE(calls[1].total, 254);
        QCOMPARE(QSet<QString>(calls[1].servers.begin(), calls[1].servers.end()),
                 (QSet<QString>{v1Host, v3Host, v3OtherHost}));

        // A web server that is neither costs two requests of each kind.
        QCOMPARE(m_ontime.at(decoyHost).requestedPaths(),
                 (QStringList{QStringLiteral("api/version"), QStringLiteral("ontime/info")}));
        QCOMPARE(m_stagetimer.at(stagetimerHost).requestedPaths(),
                 QStringList{QStringLiteral("api/v1/")});
    }

    void noStagetimerNoStagetimerCount() {
        useInterfaces(QStringLiteral("en9=127.0.1.8/29")); // 127.0.1.9 to .14
        for (const QString& host : {stagetimerHost, oldStagetimerHost})
            m_stagetimer.at(host).close();
        const Discovery::ScanResult<OntimeServer> result = scan();
        QVERIFY(m_stagetimer.at(stagetimerHost)
                    .listen(QHostAddress(stagetimerHost), m_stagetimer.port()));
        QVERIFY(m_stagetimer.at(oldStagetimerHost)
                    .listen(QHostAddress(oldStagetimerHost), m_stagetimer.port()));
        QCOMPARE(result.info, QStringLiteral("en9 127.0.1.8: 127.0.1.9 \u2013 127.0.1.14\n"
                                             "7 Adressen geprüft, 2 Ontime gefunden"));
        QVERIFY(result.stagetimers.isEmpty());
    }

    void progressWithThreeHundredAddresses() {
        // 253 + 29 + 13 + 2 + 2 addresses and this computer; nothing listens there.
        useInterfaces(QStringLiteral("en1=127.0.2.20/24,en2=127.0.3.5/27,en3=127.0.3.70/28,"
                                     "en4=127.0.3.96/30,en5=127.0.3.100/30"));
        QList<ProgressCall> calls;
        const Discovery::ScanResult<OntimeServer> result = scan(&calls);
        QCOMPARE(calls, (QList<ProgressCall>{{0, 300, {}}, {128, 300, {}}, {256, 300, {}}}));
        QVERIFY(result.info.endsWith(QStringLiteral("\n300 Adressen geprüft, 0 Ontime gefunden")));
        QCOMPARE(result.info.count(u'\n'), 5);
    }

    void noNetworkProbesOnlyThisComputer() {
        useInterfaces(QString());
        QList<ProgressCall> calls;
        const Discovery::ScanResult<OntimeServer> result = scan(&calls);
        QCOMPARE(calls, (QList<ProgressCall>{{0, 1, {}}}));
        QCOMPARE(result.info,
                 QStringLiteral("Kein Netzwerk gefunden – nur dieser Computer wird geprüft\n"
                                "1 Adressen geprüft, 0 Ontime gefunden"));
    }

    // Cancelled before the second batch: no further batch, the partial result still comes back
    // and still counts every address.
    void cancellationStopsBatching() {
        async::CancelToken token;
        QList<ProgressCall> calls;
        const Discovery::ScanResult<OntimeServer> result =
            scan(&calls, token, [token](qsizetype done) {
                if (done > 0)
                    token.cancel();
            });
        QCOMPARE(calls.size(), 2);
        QCOMPARE(hostsOf(result.servers), (QStringList{v1Host, v3Host, v3OtherHost}));
        QVERIFY(result.info.endsWith(QStringLiteral("254 Adressen geprüft, 3 Ontime gefunden, "
                                                    "3 Stagetimer gefunden")));
    }

    void cancellationAbortsTheBatchInFlight() {
        async::setRequestTimeouts({1500ms, 30s});
        fakes::FakeHosts silent;
        QVERIFY(silent.listen({QStringLiteral("127.0.2.5")}));
        silent.at(QStringLiteral("127.0.2.5"))
            .setResponse(QStringLiteral("api/version"), fakes::silent());
        useInterfaces(QStringLiteral("en9=127.0.2.1/24"));
        async::CancelToken token;
        QTimer::singleShot(300, [token] { token.cancel(); });
        QElapsedTimer timer;
        timer.start();
        const Discovery::ScanResult<OntimeServer> result =
            QCoro::waitFor(Discovery::scan<OntimeServer>(probeOntime, silent.port(),
                                                         fakes::closedPort(), {}, token));
        QVERIFY2(timer.elapsed() < 3000, qPrintable(QString::number(timer.elapsed())));
        QVERIFY(result.servers.isEmpty());
        QVERIFY(result.info.endsWith(QStringLiteral("254 Adressen geprüft, 0 Ontime gefunden")));
        QCOMPARE(silent.requestCount(), 1);
    }

    // The scan runs off this thread: a 0.25 s timer here keeps its pace while a /22 with
    // slow hosts is scanned.
    void mainThreadStaysOnTime() {
        async::setRequestTimeouts({1500ms, 300ms});
        const QStringList slowHosts{QStringLiteral("127.0.4.1"),   QStringLiteral("127.0.4.200"),
                                    QStringLiteral("127.0.5.100"), QStringLiteral("127.0.6.50"),
                                    QStringLiteral("127.0.7.10"),  QStringLiteral("127.0.7.200")};
        fakes::FakeHosts slow;
        QVERIFY(slow.listen(slowHosts));
        for (const QString& host : slowHosts)
            slow.at(host).setResponse(QStringLiteral("api/version"), fakes::silent());
        useInterfaces(QStringLiteral("en9=127.0.4.20/22"));

        QList<qint64> ticks;
        QElapsedTimer clock;
        clock.start();
        QTimer ticker;
        ticker.setTimerType(Qt::PreciseTimer);
        QObject::connect(&ticker, &QTimer::timeout, [&] { ticks.append(clock.elapsed()); });
        ticker.start(250);
        const Discovery::ScanResult<OntimeServer> result = QCoro::waitFor(
            Discovery::scan<OntimeServer>(probeOntime, slow.port(), fakes::closedPort(), {}));
        ticker.stop();
        QVERIFY(result.info.endsWith(QStringLiteral("1022 Adressen geprüft, 0 Ontime gefunden")));
        QVERIFY2(ticks.size() >= 4, qPrintable(QString::number(ticks.size())));
        qint64 worst = ticks.first();
        for (qsizetype i = 1; i < ticks.size(); ++i)
            worst = std::max(worst, ticks[i] - ticks[i - 1]);
        QVERIFY2(worst < 400,
                 qPrintable(QStringLiteral("a tick came %1 ms late").arg(worst - 250)));
    }
};

KALVANE_TEST_MAIN_CORE(ScanTest)
#include "ScanTest.moc"
