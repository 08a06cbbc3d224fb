#include "app/OntimeTimerTypes.h"
#include "async/Clock.h"
#include "async/RequestSessions.h"
#include "l10n/L10n.h"
#include "ontime/OntimeModel.h"
#include "ontime/SocketFakes.h"
#include "settings/SettingsStore.h"
#include "support/ScriptedSocketServer.h"
#include "support/TestMain.h"

using Mode = ScriptedSocketServer::Mode;
using Messages = QList<QByteArray>;

namespace {

// What the server does once the client has its first state.
enum class Then { stays, closes, fallsSilent };

} // namespace

Q_DECLARE_METATYPE(Mode)
Q_DECLARE_METATYPE(Then)

class OntimeSocketTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { L10n::overrideLanguage(QStringLiteral("de")); }
    void init() { async::setRequestTimeouts({}); }

    void behaviours_data() {
        using namespace fakes;
        QTest::addColumn<QString>("version");
        QTest::addColumn<Mode>("mode");
        QTest::addColumn<Messages>("greeting");
        // Sent once the client shows the greeting's state; the last one shows the message
        // "sync", after which the client is compared, unless none does.
        QTest::addColumn<Messages>("later");
        QTest::addColumn<Then>("then");
        QTest::addColumn<QString>("link");
        QTest::addColumn<QString>("title");
        QTest::addColumn<double>("current");

        const QByteArray v4State = v4("runtime-data", runtimeState("Keynote", 600000));
        const Messages v4Greeting{v4("log", R"({"text":"1 Connections"})"),
                                  v4("client-init", R"({"clientId":"a1","clientName":"lamp"})"),
                                  v4("client-list", "{}"), v4State};
        const QByteArray v4Sync = v4("runtime-data", R"({"message":)" + timerMessage("sync") + "}");
        const QByteArray v3State = v3("ontime", runtimeState("Keynote", 600000));
        const QByteArray v3Sync = v3("ontime-message", timerMessage("sync"));
        const QString socket = QStringLiteral("socket");
        const QString poll = QStringLiteral("poll");

        QTest::newRow("4: the whole state, then the changed keys")
            << "4.11.0" << Mode::accept << v4Greeting
            << Messages{v4("runtime-data", R"({"timer":)" + timerOf(500000) + "}"), v4Sync}
            << Then::stays << socket << "Keynote" << 500000.0;
        QTest::newRow("4: keys a change leaves out stay")
            << "4.11.0" << Mode::accept << v4Greeting
            << Messages{v4("runtime-data", R"({"clock":36001000,"offset":{}})"), v4Sync}
            << Then::stays << socket << "Keynote" << 600000.0;
        QTest::newRow("4: a change that does not decode is refused")
            << "4.11.0" << Mode::accept << v4Greeting
            << Messages{v4("runtime-data", R"({"timer":"broken"})"),
                        v4("runtime-data", R"({"eventNow":{"title":7}})"), v4Sync}
            << Then::stays << socket << "Keynote" << 600000.0;
        QTest::newRow("4: garbage and other messages change nothing")
            << "4.11.0" << Mode::accept << v4Greeting
            << Messages{"not json",
                        "[1,2]",
                        R"({"payload":{"timer":{"current":1}}})",
                        v4("pong", "1"),
                        v4("refetch", R"({"target":"all"})"),
                        v4("runtime-data", "[]"),
                        v4Sync}
            << Then::stays << socket << "Keynote" << 600000.0;
        QTest::newRow("3.16: keys wait for the flush of their batch")
            << "3.16.1" << Mode::accept
            << Messages{v3("client", R"({"clientId":"a"})"), v3State, v3("ontime-flush")}
            << Messages{v3("ontime-timer", timerOf(500000)),
                        v3("ontime-eventNow", R"({"title":"Next"})")}
            << Then::stays << socket << "Keynote" << 600000.0;
        QTest::newRow("3.16: the flush takes the batch whole")
            << "3.16.1" << Mode::accept << Messages{v3State}
            << Messages{v3("ontime-timer", timerOf(500000)),
                        v3("ontime-eventNow", R"({"title":"Next"})"), v3Sync, v3("ontime-flush")}
            << Then::stays << socket << "Next" << 500000.0;
        QTest::newRow("3.5: each key counts at once")
            << "3.5.1" << Mode::accept << Messages{v3("client-id", R"("a")"), v3State}
            << Messages{v3("ontime-timer", timerOf(500000)),
                        v3("ontime-eventNow", R"({"title":"Next"})"), v3Sync}
            << Then::stays << socket << "Next" << 500000.0;
        QTest::newRow("upgrade refused: polled")
            << "4.11.0" << Mode::refuse << Messages{} << Messages{} << Then::stays << poll
            << "Polled" << 300000.0;
        QTest::newRow("socket closed, the poll answers: polled")
            << "4.11.0" << Mode::accept << v4Greeting << Messages{} << Then::closes << poll
            << "Polled" << 300000.0;
        QTest::newRow("socket fell silent, the poll answers: polled")
            << "4.11.0" << Mode::raw << v4Greeting << Messages{} << Then::fallsSilent << poll
            << "Polled" << 300000.0;
        QTest::newRow("generation 2: polled only")
            << "2.28.0" << Mode::accept << v4Greeting << Messages{} << Then::stays << poll
            << "Polled" << 300000.0;
    }

    void behaviours() {
        QFETCH(QString, version);
        QFETCH(Mode, mode);
        QFETCH(Messages, greeting);
        QFETCH(Messages, later);
        QFETCH(Then, then);
        QFETCH(QString, link);
        QFETCH(QString, title);
        QFETCH(double, current);

        ScriptedSocketServer server;
        QVERIFY(server.listen());
        server.setMode(mode);
        server.setGreeting(greeting);
        server.http().setResponse(QStringLiteral("api/poll"), ScriptedHttpServer::Response::json(
                                                                  fakes::polled("Polled", 300000)));
        SettingsStore settings;
        OntimeModel model(settings);
        model.setTiming(fakes::socketTiming());
        const OntimeServer ontime{server.host(), server.port(), OntimeAPI::v3, version};
        model.connect(ontime);
        QTRY_VERIFY(model.connected());

        if (!later.isEmpty()) {
            QCOMPARE(model.eventTitle(), QStringLiteral("Keynote"));
            for (const QByteArray& message : std::as_const(later))
                server.send(message);
            if (std::any_of(later.begin(), later.end(),
                            [](const QByteArray& message) { return message.contains("sync"); }))
                QTRY_COMPARE(model.timerMessage(), QStringLiteral("sync"));
            else
                QTest::qWait(300);
        }
        if (then != Then::stays) {
            // From now on the socket is of no use; the poll still answers.
            server.setMode(Mode::refuse);
            if (then == Then::closes)
                server.closeAll(QWebSocketProtocol::CloseCodeGoingAway);
        }
        const auto linkName = [&model] {
            return model.link() == OntimeLink::Kind::socket ? QStringLiteral("socket")
                                                            : QStringLiteral("poll");
        };
        QTRY_COMPARE(linkName(), link);
        QTRY_COMPARE(model.eventTitle(), title);
        QCOMPARE(model.current(), current);
        QVERIFY(model.connected());
        QCOMPARE(model.status(), QStringLiteral("Verbunden mit ") + ontime.label());
        if (version.startsWith(u'2'))
            QCOMPARE(server.upgrades(), 0);
        model.disconnect();
    }

    // The server's clock comes every second, the timer only when its second turns: a clock
    // that came alone runs on from its own arrival, not from the timer's.
    void clockRunsOnFromItsOwnMessage() {
        ScriptedSocketServer server;
        QVERIFY(server.listen());
        server.setGreeting({fakes::v4("runtime-data", fakes::runtimeState("Keynote", 600000))});
        SettingsStore settings;
        OntimeModel model(settings);
        model.setTiming(fakes::socketTiming());
        model.connect(
            OntimeServer{server.host(), server.port(), OntimeAPI::v3, QStringLiteral("4.11.0")});
        QTRY_VERIFY(model.connected());
        QTest::qWait(600);
        server.send(fakes::v4("runtime-data", R"({"clock":50000000})"));
        QTRY_VERIFY(model.reading().clockMs && *model.reading().clockMs > 40000000);
        const OntimeReading& reading = model.reading();
        const double since = double(async::Clock::instance().monotonicMs() - reading.pollMonotonic);
        const double clock = *OntimeTimerTypes::clockAfter(reading, since);
        QVERIFY2(clock >= 50000000 && clock < 50000000 + 200, qPrintable(QString::number(clock)));
        model.disconnect();
    }
};

KALVANE_TEST_MAIN_CORE(OntimeSocketTest)
#include "OntimeSocketTest.moc"
