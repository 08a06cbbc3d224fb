#include "app/AlertDialog.h"
#include "app/AppDelegate.h"
#include "app/TimerChooserDialog.h"
#include "discovery/Interfaces.h"
#include "l10n/L10n.h"
#include "ontime/OntimeFakes.h"
#include "ontime/OntimeModel.h"
#include "powerpoint/PowerPoint.h"
#include "settings/SettingsStore.h"
#include "stagetimer/StagetimerModel.h"
#include "support/FakePlatform.h"
#include "support/TestMain.h"
#include "windows/SettingsWindow.h"
#include "windows/StagetimerSetupWindow.h"

#include <QApplication>

using namespace std::chrono_literals;
using Response = ScriptedHttpServer::Response;

namespace {

constexpr int waitMs = 5000;

// What a chooser or alert showed.
struct Shown {
    QString message;
    QString informative;
    QStringList choices;
    int selected = -1;
};

// The controller with both clients pointed at scripted loopback servers: an Ontime 4.11
// server playing "Pre-show Countdown" and a Stagetimer desktop room running "Room timer".
// PowerPoint runs, so the first tick activates the sources. The network search sees only this
// computer, where the Ontime server listens. Every dialog is recorded and answered by
// `answer` (default: "Abbrechen").
struct Fixture {
    FakePlatform platform;
    ScriptedHttpServer ontimeServer;
    ScriptedHttpServer stagetimerServer;
    PowerPointWatcher* watcher = nullptr;
    std::unique_ptr<AppDelegate> app;
    QList<Shown> shown;
    std::function<void(AlertDialog&)> answer = [](AlertDialog& dialog) { dialog.reject(); };

    Fixture() {
        Discovery::setInterfaceProvider([] { return QList<Discovery::InterfaceAddress>(); });
        QVERIFY(ontimeServer.listen());
        QVERIFY(stagetimerServer.listen());
        ontimeServer.setResponse(QStringLiteral("api/version"), fakes::version("4.11.0"));
        ontimeServer.setResponse(
            QStringLiteral("api/poll"),
            Response::json(fakes::sample(QStringLiteral("v4.11.0_api_poll_playing.json"))));
        stagetimerServer.setResponse(
            QStringLiteral("api/v1/get_status"),
            Response::json(R"({"ok":true,"data":{"timer_id":"t1","running":false,)"
                           R"("start":1000,"finish":301000,"pause":0}})"));
        stagetimerServer.setResponse(
            QStringLiteral("api/v1/get_timer"),
            Response::json(R"({"ok":true,"data":{"_id":"t1","name":"Room timer"}})"));

        SettingsStore settings;
        settings.setString(SettingsKey::ontimeHost, ontimeServer.host());
        settings.setInt(SettingsKey::ontimePort, ontimeServer.port());
        settings.setString(SettingsKey::stagetimerRoom, QStringLiteral("ROOM1"));
        settings.setString(SettingsKey::stagetimerKey, QStringLiteral("KEY1"));
        settings.setString(SettingsKey::stagetimerServer, stagetimerAddress());

        auto ownWatcher = std::make_unique<PowerPointWatcher>(Platform::presentationQueries());
        ownWatcher->setInterval(1h);
        watcher = ownWatcher.get();
        app = std::make_unique<AppDelegate>(std::move(ownWatcher));
        app->setTickInterval(1h);
        OntimeModel::Timing timing;
        timing.pollInterval = 20ms;
        timing.rescanPause = 100ms;
        timing.requestTimeout = 500ms;
        timing.scanTimeout = 500ms;
        app->ontime().setTiming(timing);
        app->ontime().setStagetimerPort(fakes::closedPort());
        app->stagetimer().setTiming({20ms, 500ms});
        QObject::connect(app.get(), &AppDelegate::dialogShown, [this](AlertDialog& dialog) {
            Shown seen{dialog.message(), dialog.informative(), {}, -1};
            if (auto* chooser = qobject_cast<TimerChooserDialog*>(&dialog)) {
                seen.choices = chooser->labels();
                seen.selected = chooser->selectedIndex();
            }
            shown.append(seen);
            answer(dialog);
        });
    }
    ~Fixture() {
        app.reset();
        Discovery::setInterfaceProvider({});
    }

    QString stagetimerAddress() const {
        return stagetimerServer.host() + u':' + QString::number(stagetimerServer.port());
    }
    OntimeServer ontime() const {
        return {ontimeServer.host(), ontimeServer.port(), OntimeAPI::v3, QStringLiteral("4.11.0")};
    }
    QString ontimeLabel() const { return ontime().label(); }

    void launch() {
        platform.setRunning(PowerPoint::bundleIdentifier, true);
        app->applicationDidFinishLaunching();
    }
    // Until the watcher's first answer nobody knows whether a show runs, and choosers wait.
    void launchQuietly() {
        launch();
        app->ontime().suspend();
        QTRY_VERIFY(watcher->hasReported());
    }
    int ontimePolls() const { return ontimeServer.requestCount(QStringLiteral("api/poll")); }
    int stagetimerPolls() const {
        return stagetimerServer.requestCount(QStringLiteral("api/v1/get_status"));
    }
    QString caption() {
        app->tick();
        return app->overlayModel().display().caption;
    }
};

// Answers the chooser with a row, and an alert with its button.
std::function<void(AlertDialog&)> choose(int row) {
    return [row](AlertDialog& dialog) {
        if (auto* chooser = qobject_cast<TimerChooserDialog*>(&dialog))
            chooser->select(row);
        dialog.accept();
    };
}

} // namespace

class SourcesTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { L10n::overrideLanguage(QStringLiteral("de")); }
    void init() { TestSettings::installThrowawayStore(); }

    // Which source the first activation starts, and whose state the status line shows before
    // and after it delivers.
    void activationAndDisplay_data() {
        QTest::addColumn<QString>("source"); // "-": nothing stored
        QTest::addColumn<bool>("stagetimerEnabled");
        QTest::addColumn<bool>("ontimeEnabled");
        QTest::addColumn<QString>("started");
        QTest::addColumn<QString>("firstLine");
        QTest::addColumn<QString>("caption");

        const QString internal = QStringLiteral("Interner Timer (Vortragszeit");
        const QString searching = QStringLiteral("Interner Timer – suche");
        QTest::newRow("fresh store") << "-" << false << false << "search" << searching << "";
        QTest::newRow("stagetimer chosen, both enabled")
            << "stagetimer" << true << true << "stagetimer"
            << "Stagetimer – "
            << "Room timer";
        QTest::newRow("nothing chosen, both enabled") << "-" << true << true << "ontime"
                                                      << "Ontime – "
                                                      << "Pre-show Countdown";
        QTest::newRow("nothing chosen, stagetimer enabled")
            << "-" << true << false << "stagetimer" << internal << "Room timer";
        QTest::newRow("ontime chosen") << "ontime" << false << true << "ontime"
                                       << "Ontime – "
                                       << "Pre-show Countdown";
        QTest::newRow("internal chosen, ontime still enabled")
            << "internal" << false << true << "search"
            << "Ontime – "
            << "";
        QTest::newRow("internal chosen, stagetimer still enabled")
            << "internal" << true << false << "search" << searching << "";
    }

    void activationAndDisplay() {
        QFETCH(QString, source);
        QFETCH(bool, stagetimerEnabled);
        QFETCH(bool, ontimeEnabled);
        QFETCH(QString, started);
        QFETCH(QString, firstLine);
        QFETCH(QString, caption);

        Fixture f;
        SettingsStore settings;
        if (source != u"-")
            settings.setString(SettingsKey::timerSource, source);
        settings.setBool(SettingsKey::stagetimerEnabled, stagetimerEnabled);
        settings.setBool(SettingsKey::ontimeEnabled, ontimeEnabled);
        f.launch();
        QVERIFY(f.app->timersActive());
        QVERIFY2(f.app->state().sourceLine().startsWith(firstLine),
                 qPrintable(f.app->state().sourceLine()));

        if (started == u"search") {
            QVERIFY(f.app->ontime().scanning());
            // The search finds the Ontime server and offers it; nothing was connected before.
            QTRY_COMPARE_WITH_TIMEOUT(f.shown.size(), 1, waitMs);
            QCOMPARE(f.ontimePolls(), 0);
            QCOMPARE(f.stagetimerPolls(), 0);
            return;
        }
        if (started == u"ontime")
            QTRY_VERIFY_WITH_TIMEOUT(f.ontimePolls() > 0, waitMs);
        else
            QTRY_VERIFY_WITH_TIMEOUT(f.stagetimerPolls() > 0, waitMs);
        QTRY_COMPARE_WITH_TIMEOUT(f.caption(), caption, waitMs);
        QVERIFY(f.app->state().sourceOK());
        QCOMPARE(started == u"ontime" ? f.stagetimerPolls() : f.ontimePolls(), 0);
    }

    void connectingOneSourceEndsTheOther() {
        Fixture f;
        f.launch();
        f.app->use(TimerChoice::ontime(f.ontime()));
        QTRY_VERIFY_WITH_TIMEOUT(f.app->ontime().connected(), waitMs);

        f.app->stagetimer().connect();
        QTRY_VERIFY_WITH_TIMEOUT(f.app->stagetimer().connected(), waitMs);
        QVERIFY(!f.app->ontime().connected());
        QVERIFY(!SettingsStore().ontimeEnabled());
        QCOMPARE(SettingsStore().timerSource(), QStringLiteral("stagetimer"));
        QTRY_COMPARE_WITH_TIMEOUT(f.caption(), QStringLiteral("Room timer"), waitMs);

        f.app->use(TimerChoice::ontime(f.ontime()));
        QVERIFY(!f.app->stagetimer().connected());
        QVERIFY(!SettingsStore().stagetimerEnabled());
        QTRY_COMPARE_WITH_TIMEOUT(f.caption(), QStringLiteral("Pre-show Countdown"), waitMs);
    }

    void oneServerFoundOffersItAndTheInternalTimer_data() {
        QTest::addColumn<QString>("source");
        QTest::addColumn<int>("selected");
        QTest::newRow("nothing chosen yet") << QString() << 0;
        QTest::newRow("internal timer chosen") << QStringLiteral("internal") << 1;
    }

    void oneServerFoundOffersItAndTheInternalTimer() {
        QFETCH(QString, source);
        QFETCH(int, selected);
        if (!source.isEmpty())
            SettingsStore().setString(SettingsKey::timerSource, source);
        Fixture f;
        f.answer = choose(0);
        f.launch();
        QTRY_COMPARE_WITH_TIMEOUT(f.shown.size(), 1, waitMs);
        QCOMPARE(f.shown[0].message, QStringLiteral("Timer gefunden"));
        QCOMPARE(f.shown[0].informative,
                 QStringLiteral("Welcher Timer soll im Timer-Fenster angezeigt werden?"));
        QCOMPARE(f.shown[0].choices,
                 QStringList({f.ontimeLabel(), QStringLiteral("Interner Timer (Vortragszeit)")}));
        QCOMPARE(f.shown[0].selected, selected);
        // "Anzeigen" with the server selected connects it.
        QTRY_VERIFY_WITH_TIMEOUT(f.app->ontime().connected(), waitMs);
        QCOMPARE(SettingsStore().timerSource(), QStringLiteral("ontime"));
    }

    void labelsAndTheOldStagetimerAlert() {
        Fixture f;
        f.launchQuietly();
        f.answer = choose(1);
        const StagetimerDesktop current{QStringLiteral("127.0.0.9"), 3000, true};
        const StagetimerDesktop old{QStringLiteral("127.0.0.10"), 3001, false};
        f.app->chooseTimer({}, {current, old});
        QCOMPARE(f.shown.size(), 2);
        QCOMPARE(f.shown[0].choices,
                 QStringList({QStringLiteral("127.0.0.9:3000 – Stagetimer"),
                              QStringLiteral("127.0.0.10:3001 – Stagetimer (alt)"),
                              QStringLiteral("Interner Timer (Vortragszeit)")}));
        QCOMPARE(f.shown[1].message, QStringLiteral("Stagetimer-App zu alt"));
        QCOMPARE(f.shown[1].informative,
                 QStringLiteral("Die Stagetimer-Desktop-App auf 127.0.0.10:3001 unterstützt die "
                                "API v1 noch nicht. Bitte Stagetimer aktualisieren."));
        // Nothing was connected or stored.
        QCOMPARE(SettingsStore().stagetimerServer(), f.stagetimerAddress());
        QVERIFY(!f.app->stagetimer().connecting());
        QVERIFY(!SettingsStore().timerSource());
    }

    void aCurrentStagetimerConnectsOrAsksForTheRoom_data() {
        QTest::addColumn<bool>("roomStored");
        QTest::newRow("room and key stored") << true;
        QTest::newRow("no room yet") << false;
    }

    void aCurrentStagetimerConnectsOrAsksForTheRoom() {
        QFETCH(bool, roomStored);
        Fixture f;
        if (!roomStored)
            SettingsStore().setString(SettingsKey::stagetimerKey, QString());
        f.launchQuietly();
        const StagetimerDesktop desktop{f.stagetimerServer.host(),
                                        qint64(f.stagetimerServer.port()), true};
        SettingsStore().setString(SettingsKey::stagetimerServer, QStringLiteral("elsewhere:1"));
        f.app->use(TimerChoice::stagetimer(desktop));
        QCOMPARE(SettingsStore().stagetimerServer(), f.stagetimerAddress());
        if (roomStored) {
            QTRY_VERIFY_WITH_TIMEOUT(f.app->stagetimer().connected(), waitMs);
            QVERIFY(!f.app->stagetimerSetupWindow());
        } else {
            QVERIFY(f.app->stagetimerSetupWindow());
            QVERIFY(f.app->stagetimerSetupWindow()->isVisible());
            QCOMPARE(f.stagetimerPolls(), 0);
        }
    }

    void aChoiceDuringTheShowWaitsForItsEnd() {
        Fixture f;
        SettingsStore().setBool(SettingsKey::ontimeEnabled, true); // no search of its own
        f.launch();
        f.watcher->apply(3);
        const StagetimerDesktop first{QStringLiteral("127.0.0.9"), 3000, true};
        f.app->chooseTimer({f.ontime()}, {});
        f.app->chooseTimer({}, {first});
        QVERIFY(f.shown.isEmpty());
        QVERIFY(f.app->pendingChoice());
        QCOMPARE(f.app->pendingChoice()->second, QList<StagetimerDesktop>{first});

        f.watcher->apply(-1);
        QVERIFY(!f.app->pendingChoice());
        QTRY_COMPARE_WITH_TIMEOUT(f.shown.size(), 1, waitMs);
        // The newer request replaced the older one.
        QCOMPARE(f.shown[0].choices.first(), QStringLiteral("127.0.0.9:3000 – Stagetimer"));
        QCOMPARE(f.shown[0].choices.size(), 2);
    }

    // Right after start nobody knows yet whether a show runs: the chooser waits for the
    // watcher's first answer and, when that is a show, for its end.
    void aChoiceBeforeTheFirstAnswerWaitsForIt_data() {
        QTest::addColumn<int>("firstAnswer");
        QTest::newRow("no show") << -1;
        QTest::newRow("show") << 2;
    }
    void aChoiceBeforeTheFirstAnswerWaitsForIt() {
        QFETCH(int, firstAnswer);
        Fixture f;
        f.platform.queueAnswers({{firstAnswer, 0}});
        f.launch();
        f.app->ontime().suspend();
        f.app->chooseTimer({f.ontime()}, {});
        QVERIFY(f.shown.isEmpty());
        QTRY_VERIFY(f.watcher->hasReported());
        if (firstAnswer >= 0) {
            QTest::qWait(300);
            QVERIFY(f.shown.isEmpty());
            f.watcher->apply(-1);
        }
        QTRY_COMPARE_WITH_TIMEOUT(f.shown.size(), 1, waitMs);
    }

    void withTheSettingsOpenItAsksAtOnceAndHandsTheKeyboardBack() {
        Fixture f;
        SettingsStore().setBool(SettingsKey::ontimeEnabled, true);
        f.launch();
        QTRY_VERIFY(f.watcher->hasReported());
        f.watcher->apply(2);
        f.app->showSettings();
        f.platform.activated.clear();
        f.app->chooseTimer({f.ontime()}, {});
        QCOMPARE(f.shown.size(), 1);
        QVERIFY(!f.app->pendingChoice());
        QCOMPARE(f.platform.activated, QStringList{PowerPoint::bundleIdentifier});
    }

    void cancelChangesNothing() {
        Fixture f;
        SettingsStore().setBool(SettingsKey::ontimeEnabled, true);
        SettingsStore().setString(SettingsKey::timerSource, QStringLiteral("ontime"));
        f.launch();
        QTRY_VERIFY(f.watcher->hasReported());
        QTRY_VERIFY_WITH_TIMEOUT(f.app->ontime().connected(), waitMs);
        const StagetimerDesktop desktop{f.stagetimerServer.host(),
                                        qint64(f.stagetimerServer.port()), true};
        f.app->chooseTimer({}, {desktop});
        QCOMPARE(f.shown.size(), 1);
        QVERIFY(f.app->ontime().connected());
        QCOMPARE(SettingsStore().timerSource(), QStringLiteral("ontime"));
        QVERIFY(SettingsStore().ontimeEnabled());
        QCOMPARE(f.stagetimerPolls(), 0);
    }

    void choosingTheInternalTimerEndsBothSources() {
        Fixture f;
        SettingsStore().setBool(SettingsKey::ontimeEnabled, true);
        SettingsStore().setBool(SettingsKey::stagetimerEnabled, true);
        f.launch();
        QTRY_VERIFY(f.watcher->hasReported());
        f.answer = choose(1);
        f.app->chooseTimer({f.ontime()}, {});
        QVERIFY(!SettingsStore().ontimeEnabled());
        QVERIFY(!SettingsStore().stagetimerEnabled());
        QCOMPARE(SettingsStore().timerSource(), QStringLiteral("internal"));
        QCOMPARE(f.caption(), QStringLiteral("Vortragszeit"));
    }

    void theTickRunsWhileTheChooserIsOpen() {
        Fixture f;
        SettingsStore().setBool(SettingsKey::ontimeEnabled, true);
        f.app->setTickInterval(10ms);
        f.launch();
        QTRY_VERIFY(f.watcher->hasReported());
        int ticks = 0;
        QObject::connect(&f.app->state(), &AppState::sourceLineChanged, f.app.get(),
                         [&ticks] { ++ticks; });
        int ticksWhileOpen = 0;
        f.answer = [&](AlertDialog& dialog) {
            const int before = ticks;
            QTRY_VERIFY_WITH_TIMEOUT(ticks >= before + 5, waitMs);
            ticksWhileOpen = ticks - before;
            dialog.reject();
        };
        f.app->chooseTimer({f.ontime()}, {});
        QVERIFY(ticksWhileOpen >= 5);
    }
};

KALVANE_TEST_MAIN_GUI(SourcesTest)
#include "SourcesTest.moc"
