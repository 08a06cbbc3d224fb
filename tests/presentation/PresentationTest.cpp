#include "PrivateBus.h"
#include "ScriptedPrograms.h"

#include "l10n/L10n.h"
#include "platform/linux/ImpressPresentationQuery.h"
#include "platform/linux/LinuxPlatform.h"
#include "platform/linux/LinuxPresentationQuery.h"
#include "platform/linux/OkularPresentationQuery.h"
#include "platform/linux/PdfpcPresentationQuery.h"
#include "platform/linux/PresentationWindows.h"
#include "powerpoint/EventBursts.h"
#include "powerpoint/PowerPoint.h"
#include "powerpoint/PowerPointWatcher.h"
#include "powerpoint/PresentationStatus.h"
#include "powerpoint/ProcessPowerPointQuery.h"
#include "support/TestMain.h"

#include <QElapsedTimer>

#include <atomic>

Q_DECLARE_METATYPE(TopLevelWindow)
Q_DECLARE_METATYPE(ScriptResult)

using namespace std::chrono_literals;

namespace {

const QString impress = PresentationProgram::impress;
const QString okular = PresentationProgram::okular;
const QString pdfpc = PresentationProgram::pdfpc;
constexpr qint64 okularPid = 4242;
constexpr qint64 quietGapMs = 100;

// The watcher over the three Linux queries on a private session bus, with Okular's
// presentation window decided by the test.
struct Rig {
    PrivateBus bus;
    std::atomic<bool> okularWindow{false};
    std::unique_ptr<PowerPointWatcher> watcher;
    QStringList events;
    QString sessionName = QStringLiteral("watcher-%1").arg(++instances);

    ~Rig() {
        watcher.reset();
        QDBusConnection::disconnectFromBus(sessionName);
    }

    void start() {
        const QString address = bus.address();
        watcher =
            std::make_unique<PowerPointWatcher>(std::make_unique<ScriptRunner>([this, address] {
                const QDBusConnection session = QDBusConnection::connectToBus(address, sessionName);
                std::vector<std::unique_ptr<PowerPointQuery>> queries;
                queries.push_back(std::make_unique<ImpressPresentationQuery>(session, quietGapMs));
                queries.push_back(std::make_unique<OkularPresentationQuery>(
                    session, [this](qint64 pid) { return okularWindow && pid == okularPid; }));
                queries.push_back(std::make_unique<PdfpcPresentationQuery>(session));
                return std::make_unique<LinuxPresentationQuery>(std::move(queries));
            }));
        auto record = [this](const char* event) {
            events << QStringLiteral("%1 %2 %3 %4")
                          .arg(QLatin1String(event), watcher->program())
                          .arg(watcher->position())
                          .arg(watcher->positionKnown() ? QStringLiteral("known")
                                                        : QStringLiteral("unknown"));
        };
        QObject::connect(watcher.get(), &PowerPointWatcher::slideShowStarted,
                         [record] { record("start"); });
        QObject::connect(watcher.get(), &PowerPointWatcher::slideChanged,
                         [record] { record("change"); });
        QObject::connect(watcher.get(), &PowerPointWatcher::slideShowEnded,
                         [record] { record("end"); });
        watcher->setInterval(20ms);
        watcher->start();
    }

    // Lets a few polls pass, so that an event that should not come has had its chance.
    void settle(int ms = 250) { QTest::qWait(ms); }

    static inline int instances = 0;
};

// A query that gives the answers it is handed, one per run.
class AnsweringQuery final : public PowerPointQuery {
public:
    explicit AnsweringQuery(QList<ScriptResult> answers)
        : m_answers(std::move(answers)) {}
    ScriptResult run() override { return m_answers.takeFirst(); }

private:
    QList<ScriptResult> m_answers;
};

ScriptResult showing(const QString& program, int position) {
    return {position, 0, program, true};
}
ScriptResult open(const QString& program) {
    return {-1, 0, program, true};
}
ScriptResult slow(const QString& program) {
    return {std::nullopt, PowerPoint::errorTimedOut, program, true};
}
const ScriptResult nothing{-1, 0, QString(), true};

QString describe(const ScriptResult& result) {
    return QStringLiteral("%1 %2 %3")
        .arg(result.position ? QString::number(*result.position) : QStringLiteral("error"),
             result.program)
        .arg(result.error)
        .trimmed();
}

TopLevelWindow window(const QString& instance, const QString& title, bool fullScreen = false) {
    TopLevelWindow w;
    w.instanceName = instance;
    w.className = instance;
    w.title = title;
    w.fullScreen = fullScreen;
    return w;
}

} // namespace

class PresentationTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() {
        L10n::overrideLanguage(QStringLiteral("de"));
        qunsetenv("KLV_POWERPOINT_SCRIPT");
        qunsetenv("AT_SPI_BUS_ADDRESS");
    }

    void eventBurstsFoldIntoChanges_data() {
        QTest::addColumn<QList<qint64>>("times");
        QTest::addColumn<int>("restartBefore"); // index of the event before which to restart
        QTest::addColumn<int>("changes");
        QTest::newRow("one event") << QList<qint64>{0} << -1 << 1;
        QTest::newRow("burst within milliseconds") << QList<qint64>{0, 1, 1, 3, 6} << -1 << 1;
        QTest::newRow("two bursts") << QList<qint64>{0, 2, 400, 401} << -1 << 2;
        QTest::newRow("gap reached exactly") << QList<qint64>{0, 250} << -1 << 2;
        QTest::newRow("steady trickle") << QList<qint64>{0, 200, 400, 600} << -1 << 1;
        QTest::newRow("restart within a burst") << QList<qint64>{0, 5, 10, 500} << 1 << 1;
        QTest::newRow("restart after a burst") << QList<qint64>{0, 500, 501} << 1 << 1;
    }

    void eventBurstsFoldIntoChanges() {
        QFETCH(QList<qint64>, times);
        QFETCH(int, restartBefore);
        QFETCH(int, changes);
        EventBursts bursts;
        for (qsizetype i = 0; i < times.size(); ++i) {
            if (i == restartBefore)
                bursts.restart();
            bursts.add(times[i]);
        }
        QCOMPARE(bursts.count(), changes);
    }

    void statusLineNamesTheProgram_data() {
        QTest::addColumn<bool>("denied");
        QTest::addColumn<bool>("running");
        QTest::addColumn<QString>("program");
        QTest::addColumn<bool>("known");
        QTest::addColumn<bool>("linux");
        QTest::addColumn<QString>("line");
        const QString pp = PresentationProgram::powerPoint;
        QTest::newRow("permission wins")
            << true << true << pp << true << false
            << QStringLiteral("Keine Berechtigung, PowerPoint abzufragen");
        QTest::newRow("PowerPoint slide") << false << true << pp << true << false
                                          << QStringLiteral("Präsentation läuft – Folie 7");
        QTest::newRow("Okular slide") << false << true << okular << true << true
                                      << QStringLiteral("Präsentation läuft in Okular – Folie 7");
        QTest::newRow("Impress without number")
            << false << true << impress << false << true
            << QStringLiteral("Präsentation läuft in LibreOffice Impress – ohne Foliennummer");
        QTest::newRow("pdfpc open") << false << false << pdfpc << false << true
                                    << QStringLiteral("pdfpc läuft, keine Präsentation");
        QTest::newRow("PowerPoint open") << false << false << pp << true << false
                                         << QStringLiteral("PowerPoint läuft, keine Präsentation");
        QTest::newRow("nothing open on Linux")
            << false << false << QString() << true << true
            << QStringLiteral("Kein Präsentationsprogramm geöffnet");
        QTest::newRow("nothing open on macOS") << false << false << QString() << true << false
                                               << QStringLiteral("PowerPoint ist nicht geöffnet");
    }

    void statusLineNamesTheProgram() {
        QFETCH(bool, denied);
        QFETCH(bool, running);
        QFETCH(QString, program);
        QFETCH(bool, known);
        QFETCH(bool, linux);
        QFETCH(QString, line);
        QCOMPARE(PresentationStatus::line({denied, running, program, known, 7, linux}), line);
    }

    void chooserAnswersForTheFirstThatPresents_data() {
        // Two runs of the chooser over Impress, Okular and pdfpc; what each program answers in
        // each run, and what the chooser makes of the second run.
        QTest::addColumn<QList<ScriptResult>>("impressAnswers");
        QTest::addColumn<QList<ScriptResult>>("okularAnswers");
        QTest::addColumn<QList<ScriptResult>>("pdfpcAnswers");
        QTest::addColumn<QString>("second");
        using L = QList<ScriptResult>;
        QTest::newRow("fixed order")
            << L{showing(impress, 0), showing(impress, 1)}
            << L{showing(okular, 3), showing(okular, 3)} << L{nothing, nothing}
            << QStringLiteral("1 LibreOffice Impress 0");
        QTest::newRow("first open is named")
            << L{nothing, nothing} << L{open(okular), open(okular)} << L{open(pdfpc), open(pdfpc)}
            << QStringLiteral("-1 Okular 0");
        QTest::newRow("nothing open") << L{nothing, nothing} << L{nothing, nothing}
                                      << L{nothing, nothing} << QStringLiteral("-1  0");
        QTest::newRow("presenter slow: its show holds")
            << L{nothing, nothing} << L{showing(okular, 2), slow(okular)} << L{nothing, nothing}
            << QStringLiteral("error Okular -1712");
        QTest::newRow("slow program that did not present is passed over")
            << L{slow(impress), slow(impress)} << L{nothing, nothing}
            << L{showing(pdfpc, 4), showing(pdfpc, 5)} << QStringLiteral("5 pdfpc 0");
    }

    void chooserAnswersForTheFirstThatPresents() {
        QFETCH(QList<ScriptResult>, impressAnswers);
        QFETCH(QList<ScriptResult>, okularAnswers);
        QFETCH(QList<ScriptResult>, pdfpcAnswers);
        QFETCH(QString, second);
        std::vector<std::unique_ptr<PowerPointQuery>> queries;
        // The chooser stops at the first that presents; answers not asked for stay unused.
        queries.push_back(std::make_unique<AnsweringQuery>(impressAnswers));
        queries.push_back(std::make_unique<AnsweringQuery>(okularAnswers));
        queries.push_back(std::make_unique<AnsweringQuery>(pdfpcAnswers));
        LinuxPresentationQuery chooser(std::move(queries));
        chooser.run();
        QCOMPARE(describe(chooser.run()), second);
    }

    void showWindowsAreRecognised_data() {
        QTest::addColumn<TopLevelWindow>("window");
        QTest::addColumn<QString>("program");
        QTest::newRow("Impress show")
            << window(QStringLiteral("soffice"), QStringLiteral("Presenting: deck")) << impress;
        QTest::newRow("Impress show, German")
            << window(QStringLiteral("soffice"), QStringLiteral("Präsentieren: deck")) << impress;
        QTest::newRow("Impress document")
            << window(QStringLiteral("libreoffice"),
                      QStringLiteral("deck.odp - LibreOffice Impress"))
            << QString();
        QTest::newRow("Okular presentation")
            << window(QStringLiteral("okular"), QStringLiteral("deck.pdf – Presentation — Okular"))
            << okular;
        QTest::newRow("Okular main window")
            << window(QStringLiteral("okular"), QStringLiteral("deck.pdf  — Okular")) << QString();
        QTest::newRow("pdfpc presenter")
            << window(QStringLiteral("pdfpc"), QStringLiteral("pdfpc - presenter (deck.pdf)"))
            << pdfpc;
        QTest::newRow("other program, show-like title")
            << window(QStringLiteral("firefox"), QStringLiteral("Presenting: deck")) << QString();
    }

    void showWindowsAreRecognised() {
        QFETCH(TopLevelWindow, window);
        QFETCH(QString, program);
        QCOMPARE(PresentationWindows::showProgram(window), program);
    }

    void focusGoesToTheFirstShowWindow() {
        const QList<TopLevelWindow> windows{
            window(QStringLiteral("pdfpc"), QStringLiteral("pdfpc - presenter")),
            window(QStringLiteral("okular"), QStringLiteral("a – Presentation — Okular")),
            window(QStringLiteral("pdfpc"), QStringLiteral("pdfpc - presentation"), true),
            window(QStringLiteral("okular"), QStringLiteral("a — Okular"), true),
        };
        QCOMPARE(PresentationWindows::pick(windows, QString()), &windows[1]);
        QCOMPARE(PresentationWindows::pick(windows, pdfpc), &windows[2]); // full screen first
        QCOMPARE(PresentationWindows::pick(windows, impress), nullptr);
    }

    void standInCommandWins() {
        LinuxPlatform platform;
        QVERIFY(dynamic_cast<LinuxPresentationQuery*>(platform.createPowerPointQuery().get()));
        QVERIFY(platform.presentationQueryAllowed());
        QVERIFY(platform.watchesOtherPresentationPrograms());
        qputenv("KLV_POWERPOINT_SCRIPT", "/nonexistent/powerpoint.sh");
        QVERIFY(dynamic_cast<ProcessPowerPointQuery*>(platform.createPowerPointQuery().get()));
        QVERIFY(!platform.presentationQueryAllowed()); // the command is absent: no PowerPoint
        QVERIFY(!platform.watchesOtherPresentationPrograms());
        qunsetenv("KLV_POWERPOINT_SCRIPT");
    }

    void okularIsPolledWhileItsPresentationWindowIsOpen() {
        Rig rig;
        QVERIFY(rig.bus.isRunning());
        ScriptedOkular program(rig.bus.connect(QStringLiteral("okular")), okularPid);
        program.page = 3;
        rig.start();
        QTRY_COMPARE(rig.watcher->program(), okular); // open, no presentation
        rig.settle();
        QVERIFY(rig.events.isEmpty());
        QCOMPARE(program.calls, 0); // no window, no question

        rig.okularWindow = true;
        QTRY_COMPARE(rig.events.size(), 1);
        program.page = 4;
        QTRY_COMPARE(rig.events.size(), 2);

        // Hanging costs each query its timeout and changes nothing.
        program.hang = true;
        const int calls = program.calls;
        QTRY_VERIFY(program.calls >= calls + 2);
        QVERIFY(rig.watcher->slideShowRunning());

        program.hang = false;
        rig.okularWindow = false;
        QTRY_COMPARE(rig.events.size(), 3);
        QCOMPARE(rig.events, (QStringList{QStringLiteral("start Okular 3 known"),
                                          QStringLiteral("change Okular 4 known"),
                                          QStringLiteral("end Okular 0 known")}));
    }

    void okularQuittingDuringTheShowEndsIt() {
        Rig rig;
        QVERIFY(rig.bus.isRunning());
        auto* program = new ScriptedOkular(rig.bus.connect(QStringLiteral("okular")), okularPid);
        rig.okularWindow = true;
        rig.start();
        QTRY_COMPARE(rig.events.size(), 1);
        // It hangs on a question and then quits without answering.
        program->hang = true;
        const int calls = program->calls;
        QTRY_VERIFY(program->calls > calls);
        QDBusConnection::disconnectFromBus(QStringLiteral("okular"));
        delete program;
        QTRY_COMPARE(rig.events.size(), 2);
        QCOMPARE(rig.events.last(), QStringLiteral("end Okular 0 known"));
        QTRY_COMPARE(rig.watcher->program(), QString());
    }

    void pdfpcSignalsArriveWithoutWaitingForThePoll() {
        Rig rig;
        QVERIFY(rig.bus.isRunning());
        auto program = std::make_unique<ScriptedPdfpc>(rig.bus.connect(QStringLiteral("pdfpc")));
        rig.start();
        QTRY_COMPARE(rig.events.size(), 1);
        QVERIFY(!rig.watcher->positionKnown()); // nothing said about the page yet

        // Only the pushed signal can bring the change now.
        rig.watcher->setInterval(1h);
        rig.settle(100);
        program->showPage(2);
        QTRY_COMPARE(rig.events.size(), 2);
        program->showPage(1);
        QTRY_COMPARE(rig.events.size(), 3);

        rig.watcher->setInterval(20ms);
        program.reset(); // pdfpc quits
        QDBusConnection::disconnectFromBus(QStringLiteral("pdfpc"));
        QTRY_COMPARE(rig.events.size(), 4);
        QCOMPARE(rig.events, (QStringList{QStringLiteral("start pdfpc 0 unknown"),
                                          QStringLiteral("change pdfpc 3 known"),
                                          QStringLiteral("change pdfpc 2 known"),
                                          QStringLiteral("end pdfpc 0 known")}));
    }

    void impressShowsAndBurstsOfEvents_data() {
        QTest::addColumn<QString>("title");
        QTest::newRow("English") << QStringLiteral("Presenting: deck");
        QTest::newRow("German") << QStringLiteral("Präsentieren: deck");
        QTest::newRow("a language not known") << QStringLiteral("Diaporama : deck");
    }

    void impressShowsAndBurstsOfEvents() {
        QFETCH(QString, title);
        Rig rig;
        QVERIFY(rig.bus.isRunning());
        ScriptedAccessibility office(rig.bus.connect(QStringLiteral("registry")),
                                     rig.bus.connect(QStringLiteral("office")), rig.bus.address());
        office.openDocument();
        rig.start();
        QTRY_COMPARE(rig.watcher->program(), impress);
        QCOMPARE(office.registeredEvents, QStringList{QStringLiteral("object:children-changed")});

        office.startShow(title);
        QTRY_COMPARE(rig.events.size(), 1);
        rig.watcher->setInterval(1h); // changes come pushed
        rig.settle(quietGapMs * 2);

        for (int i = 0; i < 6; ++i) // one slide change: a burst within milliseconds
            office.childrenChanged(QStringLiteral("21"));
        QTRY_COMPARE(rig.events.size(), 2);
        // Events of the document window behind the show, and removals, are no slide change.
        office.childrenChanged(QStringLiteral("10"));
        office.childrenChanged(QStringLiteral("21"), QStringLiteral("remove"));
        rig.settle(quietGapMs * 3);
        QCOMPARE(rig.events.size(), 2);
        office.childrenChanged(QStringLiteral("21"));
        office.childrenChanged(QStringLiteral("21"));
        QTRY_COMPARE(rig.events.size(), 3);

        rig.watcher->setInterval(20ms);
        office.endShow();
        QTRY_COMPARE(rig.events.size(), 4);
        QCOMPARE(rig.events, (QStringList{QStringLiteral("start LibreOffice Impress 0 unknown"),
                                          QStringLiteral("change LibreOffice Impress 0 unknown"),
                                          QStringLiteral("change LibreOffice Impress 0 unknown"),
                                          QStringLiteral("end LibreOffice Impress 0 unknown")}));
        QCOMPARE(rig.watcher->program(), impress); // the document is still open
    }

    void impressComesFirstAndAnotherProgramIsAnotherShow() {
        Rig rig;
        QVERIFY(rig.bus.isRunning());
        ScriptedAccessibility office(rig.bus.connect(QStringLiteral("registry")),
                                     rig.bus.connect(QStringLiteral("office")), rig.bus.address());
        office.startShow(QStringLiteral("Presenting: deck"));
        ScriptedPdfpc other(rig.bus.connect(QStringLiteral("pdfpc")));
        rig.start();
        QTRY_COMPARE(rig.events.size(), 1);
        rig.settle();
        office.endShow();
        QTRY_COMPARE(rig.events.size(), 3);
        QCOMPARE(rig.events, (QStringList{QStringLiteral("start LibreOffice Impress 0 unknown"),
                                          QStringLiteral("end LibreOffice Impress 0 unknown"),
                                          QStringLiteral("start pdfpc 0 unknown")}));
    }

    void withoutAnyProgramOrAccessibilityBusThereIsNoShow() {
        Rig rig;
        QVERIFY(rig.bus.isRunning());
        rig.start();
        // A poll that finds nothing answers quickly: nothing waits for a bus that is not there.
        QElapsedTimer timer;
        timer.start();
        rig.watcher->poll();
        QTRY_VERIFY(!rig.watcher->busy());
        QVERIFY2(timer.elapsed() < 1000, qPrintable(QString::number(timer.elapsed())));
        rig.settle();
        QVERIFY(rig.events.isEmpty());
        QCOMPARE(rig.watcher->program(), QString());
        QCOMPARE(PresentationStatus::line(*rig.watcher,
                                          Platform::instance().watchesOtherPresentationPrograms()),
                 QStringLiteral("Kein Präsentationsprogramm geöffnet"));
    }
};

KALVANE_TEST_MAIN_CORE(PresentationTest)
#include "PresentationTest.moc"
