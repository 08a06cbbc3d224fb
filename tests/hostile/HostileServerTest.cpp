#include "async/RequestSessions.h"
#include "async/ServerAddress.h"
#include "discovery/Interfaces.h"
#include "discovery/Scan.h"
#include "l10n/L10n.h"
#include "ontime/OntimeFakes.h"
#include "ontime/OntimeModel.h"
#include "ontime/OntimeProbe.h"
#include "ontime/SocketFakes.h"
#include "settings/SettingsStore.h"
#include "stagetimer/StagetimerModel.h"
#include "support/ScriptedHttpServer.h"
#include "support/ScriptedSocketServer.h"
#include "support/TestMain.h"
#include "support/TestSettings.h"
#include "json/CleanText.h"

#include <QElapsedTimer>
#include <QTcpSocket>
#include <QTimer>
#include <QtEndian>

#include <memory>

using namespace std::chrono_literals;
using Request = ScriptedHttpServer::Request;
using Response = ScriptedHttpServer::Response;

namespace {

constexpr qint64 gigabyte = 1024LL * 1024 * 1024;
// What one reply stopped in time lets through: the body cap, the read-ahead and the socket
// buffers of both ends. Reading the whole body would be a gigabyte.
constexpr qint64 stoppedInTime = 16 * 1024 * 1024;

enum class Hostility {
    trickle,
    chunkedHuge,
    announcedHuge,
    deflateBomb,
    reset,
    endlessHeaders,
    hugeHeader,
    errorPage
};

// 64 MB of blanks packed into some 64 KB of "deflate".
QByteArray deflateBomb() {
    static const QByteArray packed = qCompress(QByteArray(64 * 1024 * 1024, ' '), 9).mid(4);
    return packed;
}

Response hostile(Hostility kind, const QByteArray& goodBody) {
    Response response = Response::json("{");
    switch (kind) {
    case Hostility::trickle:
        // One byte at a time, never long enough apart for the idle timeout to fire.
        response = Response::json(goodBody);
        response.trickleBytes = 1;
        response.trickleIntervalMs = 40;
        break;
    case Hostility::chunkedHuge:
        response.streamBytes = gigabyte;
        response.chunked = true;
        break;
    case Hostility::announcedHuge:
        response.streamBytes = gigabyte;
        response.announcedLength = gigabyte + 1;
        break;
    case Hostility::deflateBomb:
        response = Response::json(deflateBomb());
        response.headers.append(qMakePair(QByteArray("Content-Encoding"), QByteArray("deflate")));
        break;
    case Hostility::reset:
        response.drop = true;
        break;
    case Hostility::endlessHeaders:
        // Short header lines for ever: the head never ends.
        response.streamBytes = gigabyte;
        response.headerLineBytes = 40;
        break;
    case Hostility::hugeHeader:
        // One header line of 8 MB, then a good answer.
        response = Response::json(goodBody);
        response.streamBytes = 8 * 1024 * 1024;
        response.headerLineBytes = gigabyte;
        break;
    case Hostility::errorPage:
        response = Response::text("<html>Internal Server Error</html>", 500);
        break;
    }
    return response;
}

// What an Ontime socket does after its greeting.
enum class SocketHostility { flood, trickle, hugeFrame, garbage, closedMidFrame };

void misbehave(SocketHostility kind, QTcpSocket* socket, const std::shared_ptr<qint64>& streamed) {
    const QByteArray state = ScriptedSocketServer::textFrame(
        fakes::v4("runtime-data", fakes::runtimeState("Hostile", 1000)));
    switch (kind) {
    case SocketHostility::flood:
        socket->write(state.repeated(5000));
        break;
    case SocketHostility::trickle: {
        // A good message, one byte at a time: it would take seconds to arrive.
        auto* drip = new QTimer(socket);
        QObject::connect(drip, &QTimer::timeout, socket, [socket, state, sent = 0]() mutable {
            if (sent < state.size())
                socket->write(state.mid(sent++, 1));
        });
        drip->start(40);
        break;
    }
    case SocketHostility::hugeFrame: {
        // A text frame that announces 100 MB, streamed as fast as the client takes it.
        constexpr qint64 announced = 100LL * 1024 * 1024;
        char header[10] = {'\x81', 127};
        qToBigEndian<quint64>(quint64(announced), header + 2);
        socket->write(header, sizeof header);
        const QByteArray chunk(64 * 1024, 'x');
        QObject::connect(socket, &QTcpSocket::bytesWritten, socket, [socket, chunk, streamed] {
            if (*streamed < announced && socket->bytesToWrite() < chunk.size()) {
                *streamed += chunk.size();
                socket->write(chunk);
            }
        });
        *streamed += chunk.size();
        socket->write(chunk);
        break;
    }
    case SocketHostility::garbage:
        // Reserved bits and opcodes: no frame at all.
        socket->write(QByteArray("\xff\xfe\x7f garbage \x00\x01").repeated(100));
        break;
    case SocketHostility::closedMidFrame:
        socket->write(state.left(state.size() / 2));
        socket->disconnectFromHost();
        break;
    }
}

QByteArray ontimePoll(const char* title) {
    return QByteArray(R"({"payload":{"timer":{"current":60000,"playback":"play",)"
                      R"("duration":600000},"eventNow":{"title":)") +
           '"' + title + "\"}}}";
}

} // namespace

Q_DECLARE_METATYPE(SocketHostility)

class HostileServerTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { L10n::overrideLanguage(QStringLiteral("de")); }

    void init() {
        TestSettings::installThrowawayStore();
        async::setRequestTimeouts({});
    }

    void cleanup() { Discovery::setInterfaceProvider({}); }

    void stagetimerSurvivesAndRecovers_data() {
        QTest::addColumn<Hostility>("kind");
        QTest::addColumn<QString>("error");
        QTest::newRow("trickle") << Hostility::trickle << QStringLiteral("Server nicht erreichbar");
        QTest::newRow("1 GB chunked")
            << Hostility::chunkedHuge << QStringLiteral("Unerwartete Antwort");
        QTest::newRow("1 GB with a length")
            << Hostility::announcedHuge << QStringLiteral("Unerwartete Antwort");
        QTest::newRow("deflate bomb")
            << Hostility::deflateBomb << QStringLiteral("Unerwartete Antwort");
        QTest::newRow("reset") << Hostility::reset << QStringLiteral("Server nicht erreichbar");
        QTest::newRow("endless headers")
            << Hostility::endlessHeaders << QStringLiteral("Server nicht erreichbar");
        QTest::newRow("8 MB header")
            << Hostility::hugeHeader << QStringLiteral("Server nicht erreichbar");
    }

    void stagetimerSurvivesAndRecovers() {
        QFETCH(Hostility, kind);
        QFETCH(QString, error);
        const QByteArray good = R"({"data":{"running":true,"finish":9e12}})";
        ScriptedHttpServer server;
        QVERIFY(server.listen());
        bool misbehave = false;
        server.setHandler([&](const Request& request) {
            if (request.path == u"get_status")
                return misbehave ? hostile(kind, good) : Response::json(good);
            return Response::json(R"({"data":[]})");
        });
        SettingsStore settings;
        StagetimerModel model(settings);
        model.setTiming({20ms, 200ms});
        model.setRoomID(QStringLiteral("R"));
        model.setApiKey(QStringLiteral("k"));
        model.setServer(server.baseUrl());
        model.connect();
        QTRY_VERIFY(model.connected());

        misbehave = true;
        QTRY_COMPARE_WITH_TIMEOUT(model.status(), QStringLiteral("Stagetimer: ") + error, 30000);
        QVERIFY2(server.streamedBytes() < stoppedInTime,
                 qPrintable(QString::number(server.streamedBytes())));
        // Compressed bodies are never asked for, so never unpacked.
        QCOMPARE(server.requests().last().header("Accept-Encoding"), QByteArray("identity"));

        misbehave = false;
        QElapsedTimer recovery;
        recovery.start();
        QTRY_VERIFY_WITH_TIMEOUT(model.connected(), 3000);
        // One cycle: the pause, the messages and the status request.
        QVERIFY2(recovery.elapsed() < 1000, qPrintable(QString::number(recovery.elapsed())));
    }

    void ontimeSurvivesAndRecovers_data() {
        QTest::addColumn<Hostility>("kind");
        QTest::newRow("trickle") << Hostility::trickle;
        QTest::newRow("1 GB chunked") << Hostility::chunkedHuge;
        QTest::newRow("1 GB with a length") << Hostility::announcedHuge;
        QTest::newRow("deflate bomb") << Hostility::deflateBomb;
        QTest::newRow("reset") << Hostility::reset;
        QTest::newRow("error page") << Hostility::errorPage;
        QTest::newRow("endless headers") << Hostility::endlessHeaders;
        QTest::newRow("8 MB header") << Hostility::hugeHeader;
    }

    void ontimeSurvivesAndRecovers() {
        QFETCH(Hostility, kind);
        ScriptedHttpServer server;
        QVERIFY(server.listen());
        bool misbehave = false;
        QByteArray title = "Good";
        SettingsStore settings;
        OntimeModel model(settings);
        // When the first hostile request comes, the last good answer has been taken.
        std::optional<qint64> taken;
        server.setHandler([&](const Request&) {
            if (!misbehave)
                return Response::json(ontimePoll(title));
            if (!taken)
                taken = model.pollTime();
            return hostile(kind, ontimePoll("Trickled"));
        });
        OntimeModel::Timing timing;
        timing.pollInterval = 20ms;
        timing.requestTimeout = 500ms;
        model.setTiming(timing);
        model.connect(
            OntimeServer{server.host(), server.port(), OntimeAPI::v3, QStringLiteral("4")});
        QTRY_COMPARE(model.eventTitle(), QStringLiteral("Good"));

        // An unusable answer is a failure like no answer: the values and the moment they were
        // taken stay, so the countdown runs on, and the third in a row interrupts the link.
        misbehave = true;
        QTRY_COMPARE_WITH_TIMEOUT(model.status(),
                                  QStringLiteral("Verbindung zu 127.0.0.1 unterbrochen …"), 5000);
        QCOMPARE(model.eventTitle(), QStringLiteral("Good"));
        QVERIFY(taken);
        QCOMPARE(model.pollTime(), *taken);
        QVERIFY2(server.streamedBytes() < stoppedInTime,
                 qPrintable(QString::number(server.streamedBytes())));

        title = "Again";
        misbehave = false;
        QElapsedTimer recovery;
        recovery.start();
        QTRY_VERIFY_WITH_TIMEOUT(model.connected() && model.eventTitle() == u"Again", 3000);
        QVERIFY2(recovery.elapsed() < 1000, qPrintable(QString::number(recovery.elapsed())));
        model.disconnect();
    }

    void ontimeSocketSurvivesAndRecovers_data() {
        QTest::addColumn<SocketHostility>("kind");
        QTest::newRow("flood") << SocketHostility::flood;
        QTest::newRow("trickle") << SocketHostility::trickle;
        QTest::newRow("100 MB frame") << SocketHostility::hugeFrame;
        QTest::newRow("garbage") << SocketHostility::garbage;
        QTest::newRow("closed mid-frame") << SocketHostility::closedMidFrame;
    }

    // Every connection to the socket greets with a good state and then misbehaves; the poll
    // answers. The card keeps the good values, the link stays up and soon gives the socket
    // up for the poll; once the server mends, its news shows within a second.
    void ontimeSocketSurvivesAndRecovers() {
        QFETCH(SocketHostility, kind);
        ScriptedSocketServer server;
        QVERIFY(server.listen());
        server.setMode(ScriptedSocketServer::Mode::raw);
        server.setGreeting({fakes::v4("runtime-data", fakes::runtimeState("Good", 600000))});
        auto streamed = std::make_shared<qint64>(0);
        server.setRawScript(
            [kind, streamed](QTcpSocket* socket) { misbehave(kind, socket, streamed); });
        server.http().setResponse(QStringLiteral("api/poll"),
                                  Response::json(fakes::polled("Good", 600000)));
        SettingsStore settings;
        OntimeModel model(settings);
        model.setTiming(fakes::socketTiming());
        const OntimeServer ontime{server.host(), server.port(), OntimeAPI::v3,
                                  QStringLiteral("4.11.0")};
        model.connect(ontime);
        QTRY_COMPARE(model.eventTitle(), QStringLiteral("Good"));

        QTRY_COMPARE(model.link(), OntimeLink::Kind::poll);
        QTRY_COMPARE(model.status(), QStringLiteral("Verbunden mit ") + ontime.label());
        QCOMPARE(model.eventTitle(), QStringLiteral("Good"));
        QVERIFY2(server.upgrades() <= 3, qPrintable(QString::number(server.upgrades())));
        QVERIFY2(*streamed < stoppedInTime, qPrintable(QString::number(*streamed)));

        server.setRawScript({});
        server.setMode(ScriptedSocketServer::Mode::accept);
        server.setGreeting({fakes::v4("runtime-data", fakes::runtimeState("Again", 600000))});
        server.http().setResponse(QStringLiteral("api/poll"),
                                  Response::json(fakes::polled("Again", 600000)));
        QElapsedTimer recovery;
        recovery.start();
        QTRY_VERIFY_WITH_TIMEOUT(model.connected() && model.eventTitle() == u"Again", 3000);
        QVERIFY2(recovery.elapsed() < 1000, qPrintable(QString::number(recovery.elapsed())));
        model.disconnect();
    }

    void keyGoesOnlyToTheNamedServer_data() {
        QTest::addColumn<QString>("setting");
        QTest::addColumn<QString>("status");
        QTest::newRow("capital scheme")
            << QStringLiteral("HTTP://%1") << QStringLiteral("Verbunden mit HTTP://%1");
        QTest::newRow("mixed-case scheme")
            << QStringLiteral("Http://%1/") << QStringLiteral("Verbunden mit Http://%1/");
        QTest::newRow("other scheme")
            << QStringLiteral("htp://%1") << QStringLiteral("Stagetimer: Ungültige Adresse");
        QTest::newRow("query") << QStringLiteral("%1/?room=x")
                               << QStringLiteral("Stagetimer: Ungültige Adresse");
    }

    void keyGoesOnlyToTheNamedServer() {
        QFETCH(QString, setting);
        QFETCH(QString, status);
        ScriptedHttpServer server;
        QVERIFY(server.listen());
        server.setResponse(QStringLiteral("get_status"), Response::json(R"({"data":{}})"));
        const QString address = QStringLiteral("127.0.0.1:%1").arg(server.port());
        SettingsStore settings;
        StagetimerModel model(settings);
        model.setTiming({20ms, 200ms});
        model.setRoomID(QStringLiteral("R"));
        model.setApiKey(QStringLiteral("s3cret"));
        model.setServer(setting.arg(address));
        model.connect();
        QTRY_VERIFY(!model.connecting());
        QCOMPARE(model.status(), status.contains(u"%1") ? status.arg(address) : status);
        for (const Request& request : server.requests())
            QCOMPARE(request.header("Authorization"), QByteArray("Bearer s3cret"));
        QCOMPARE(server.requests().isEmpty(), status.startsWith(u"Stagetimer:"));
    }

    void serverLabelsAreCleaned() {
        ScriptedHttpServer server;
        QVERIFY(server.listen());
        const QByteArray version = "4.11\\n\\u202e0\\u0000 " + QByteArray(100000, 'A');
        server.setResponse(QStringLiteral("api/version"),
                           Response::json("{\"payload\":\"" + version + "\"}"));
        const std::optional<OntimeServer> found =
            QCoro::waitFor(probeOntime(server.host(), server.port(), async::requestSession()));
        QVERIFY(found);
        QCOMPARE(found->version, QStringLiteral("4.11 0  ") + QString(56, u'A') + u'…');
    }

    void cleanText_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("maxLength");
        QTest::addColumn<QString>("clean");
        QTest::newRow("line breaks and tabs")
            << QStringLiteral("a\nb\r\tc") << 10 << QStringLiteral("a b  c");
        QTest::newRow("NUL and C1")
            << QString::fromUtf16(u"a\u0000b\u0085c", 5) << 10 << QStringLiteral("a b c");
        QTest::newRow("bidi overrides and isolates")
            << QStringLiteral("1.2\u202e3\u2066x\u2069\u200b") << 10 << QStringLiteral("1.23x");
        QTest::newRow("lone surrogates")
            << QString(QChar(0xd800)) + u'x' + QChar(0xdc00) << 10 << QStringLiteral("x");
        QTest::newRow("pairs stay whole at the cut")
            << QStringLiteral("ab\U0001F600cd") << 3 << QStringLiteral("ab\U0001F600…");
        QTest::newRow("blanks at the ends")
            << QStringLiteral("\n x \u2028") << 10 << QStringLiteral("x");
    }

    void cleanText() {
        QFETCH(QString, text);
        QFETCH(int, maxLength);
        QFETCH(QString, clean);
        QCOMPARE(::cleanText(text, maxLength), clean);
    }

    void scanFindsServersBesideHugeAnswers() {
        // Five neighbours stream a gigabyte (as a body or as a head that never ends) or one
        // 8 MB header on every path; three real servers sit among them.
        QStringList hosts;
        for (int i = 2; i <= 9; ++i)
            hosts << QStringLiteral("127.0.9.%1").arg(i);
        fakes::FakeHosts fakeHosts;
        QVERIFY(fakeHosts.listen(hosts));
        const Hostility neighbours[] = {Hostility::chunkedHuge, Hostility::announcedHuge,
                                        Hostility::endlessHeaders, Hostility::hugeHeader,
                                        Hostility::endlessHeaders};
        for (int i = 0; i < 5; ++i) {
            const Response huge = hostile(neighbours[i], fakes::version("4.11.0").body);
            fakeHosts.at(hosts[i]).setHandler([huge](const Request&) { return huge; });
        }
        for (int i = 5; i < 8; ++i)
            fakeHosts.at(hosts[i]).setResponse(QStringLiteral("api/version"),
                                               fakes::version("4.11.0"));
        Discovery::setInterfaceProvider(
            [] { return *Discovery::parseInterfaceList(u"en9=127.0.9.1/28"); });

        const Discovery::ScanResult<OntimeServer> result = QCoro::waitFor(
            Discovery::scan<OntimeServer>(probeOntime, fakeHosts.port(), fakeHosts.port(), {}));
        QStringList found;
        for (const OntimeServer& server : result.servers)
            found << server.host;
        QCOMPARE(found, hosts.mid(5));
        for (int i = 0; i < 5; ++i)
            QVERIFY2(fakeHosts.at(hosts[i]).streamedBytes() < 4 * stoppedInTime,
                     qPrintable(QString::number(fakeHosts.at(hosts[i]).streamedBytes())));
    }

    void destroyingClientsMidRequestEndsTheirTasksAtOnce() {
        ScriptedHttpServer server;
        QVERIFY(server.listen());
        server.setResponse(QStringLiteral("get_status"), fakes::silent());
        server.setResponse(QStringLiteral("api/poll"), fakes::silent());

        SettingsStore settings;
        auto stagetimer = std::make_unique<StagetimerModel>(settings);
        stagetimer->setRoomID(QStringLiteral("R"));
        stagetimer->setApiKey(QStringLiteral("k"));
        stagetimer->setServer(server.baseUrl());
        stagetimer->connect();
        const async::TaskHandle attempt = stagetimer->pollTask();
        auto ontime = std::make_unique<OntimeModel>(settings);
        ontime->connect(
            OntimeServer{server.host(), server.port(), OntimeAPI::v3, QStringLiteral("4")});
        const async::TaskHandle poll = ontime->pollTask();
        // The socket's upgrade is refused; the poll that follows it is never answered.
        const auto asked = [&server](const QString& path) {
            const QList<Request> requests = server.requests();
            return std::any_of(requests.begin(), requests.end(),
                               [&path](const Request& request) { return request.path == path; });
        };
        QTRY_VERIFY(asked(QStringLiteral("get_status")) && asked(QStringLiteral("api/poll")));

        // No turn of the event loop: the tasks end inside the destructors.
        stagetimer.reset();
        ontime.reset();
        QVERIFY(!attempt.isRunning());
        QVERIFY(!poll.isRunning());
    }
};

KALVANE_TEST_MAIN_CORE(HostileServerTest)
#include "HostileServerTest.moc"
