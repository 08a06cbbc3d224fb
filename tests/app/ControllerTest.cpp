#include "app/AppDelegate.h"
#include "app/QtTranslations.h"
#include "app/StatusItem.h"
#include "app/TalkLengthDialog.h"
#include "discovery/Interfaces.h"
#include "l10n/L10n.h"
#include "ontime/OntimeFakes.h"
#include "ontime/OntimeModel.h"
#include "overlay/OverlayHostingView.h"
#include "overlay/OverlayPanel.h"
#include "powerpoint/PowerPoint.h"
#include "powerpoint/PresentationProgram.h"
#include "settings/SettingsStore.h"
#include "support/FakePlatform.h"
#include "support/MockClock.h"
#include "support/TestMain.h"
#include "windows/OntimeSetupWindow.h"
#include "windows/SettingsWindow.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QSpinBox>

using namespace std::chrono_literals;

namespace {

// The controller with a fake clock and platform, a watcher that never polls by itself (the
// test drives its events) and a ticker too slow to interfere: every tick is the test's. With
// an empty store, activating the sources starts a network search; here it finds nothing (only
// this computer, on ports where nothing listens) and keeps searching until the sources stop,
// so its starts and ends count the activations and stops.
struct Fixture {
    FakePlatform platform;
    MockClock clock;
    PowerPointWatcher* watcher = nullptr;
    std::unique_ptr<AppDelegate> app;
    int starts = 0;
    int stops = 0;

    Fixture() {
        Discovery::setInterfaceProvider([] { return QList<Discovery::InterfaceAddress>(); });
        SettingsStore().setInt(SettingsKey::ontimePort, fakes::closedPort());
        auto ownWatcher = std::make_unique<PowerPointWatcher>(Platform::presentationQueries());
        ownWatcher->setInterval(1h);
        watcher = ownWatcher.get();
        app = std::make_unique<AppDelegate>(std::move(ownWatcher));
        app->setTickInterval(1h);
        app->ontime().setStagetimerPort(fakes::closedPort());
        QObject::connect(&app->ontime(), &OntimeModel::scanningChanged, app.get(),
                         [this] { ++(app->ontime().scanning() ? starts : stops); });
    }
    ~Fixture() { Discovery::setInterfaceProvider({}); }

    void launch() { app->applicationDidFinishLaunching(); }
    bool shown() const { return app->panel()->isPanelVisible(); }
    const TimerDisplay& display() const { return app->overlayModel().display(); }

    // PowerPoint reports a slide show on `slide` (negative: none).
    void slide(int position) {
        platform.setRunning(PowerPoint::bundleIdentifier, true);
        watcher->apply(position);
    }
};

} // namespace

class ControllerTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init() { TestSettings::installThrowawayStore(); }
    void cleanup() { SettingsStore::setForThisRun(SettingsKey::talkLengthMinutes, QVariant()); }

    void emptyStoreWithoutPowerPointStaysHiddenAndIdle() {
        Fixture f;
        f.launch();
        QVERIFY(!f.shown());
        QVERIFY(!f.app->timersActive());
        QCOMPARE(f.starts, 0);
        QCOMPARE(f.display().time, QStringLiteral("00:00:00"));
        QCOMPARE(f.display().caption, QStringLiteral("Vortragszeit"));
        QCOMPARE(f.app->state().sourceLine(),
                 QStringLiteral("Interner Timer (Vortragszeit, startet mit dem ersten Klick)"));
        QVERIFY(f.app->state().sourceOK());
        QCOMPARE(f.app->state().powerPointLine(), QStringLiteral("PowerPoint ist nicht geöffnet"));
        QVERIFY(!f.app->state().overlayVisible());
    }

    void powerPointRunningActivatesTheSourcesAndQuittingStopsThem() {
        Fixture f;
        f.platform.setRunning(PowerPoint::bundleIdentifier, true);
        f.launch();
        QVERIFY(f.app->timersActive());
        QCOMPARE(f.starts, 1);
        QVERIFY(!f.shown());
        QCOMPARE(f.app->state().powerPointLine(),
                 QStringLiteral("PowerPoint läuft, keine Präsentation"));
        f.app->tick();
        QCOMPARE(f.starts, 1); // only on the transition

        f.platform.setRunning(PowerPoint::bundleIdentifier, false);
        f.app->tick();
        QVERIFY(!f.app->timersActive());
        QCOMPARE(f.stops, 1);
        f.app->tick();
        QCOMPARE(f.stops, 1);
    }

    void slideShowBringsTheWindowAndRunsTheTalkTimer() {
        Fixture f;
        f.launch();
        f.slide(5);
        QVERIFY(f.shown());
        QVERIFY(f.app->state().overlayVisible());
        QCOMPARE(f.starts, 1);
        QCOMPARE(f.display().caption,
                 QStringLiteral("Vortragszeit – startet mit dem ersten Klick"));
        QCOMPARE(f.display().time, QStringLiteral("00:00:00"));
        QCOMPARE(f.display().tone, Tone::idle);
        QCOMPARE(f.app->state().powerPointLine(), QStringLiteral("Präsentation läuft – Folie 5"));

        // The first slide change starts the clock; later ones do not restart it.
        f.slide(6);
        f.clock.advance(1500);
        f.slide(7);
        f.clock.advance(3725'000 - 1500);
        // A system clock set back by an hour mid-talk does not touch the talk time.
        f.clock.jumpWallClock(-3600'000);
        f.app->tick();
        QCOMPARE(f.display().caption, QStringLiteral("Vortragszeit"));
        QCOMPARE(f.display().time, QStringLiteral("01:02:05"));
        QCOMPARE(f.display().tone, Tone::running);
        QCOMPARE(f.app->state().powerPointLine(), QStringLiteral("Präsentation läuft – Folie 7"));

        // The end freezes the time, turns it idle and hides the window.
        f.slide(-1);
        QVERIFY(!f.shown());
        f.clock.advance(60'000);
        f.app->tick();
        QCOMPARE(f.display().time, QStringLiteral("01:02:05"));
        QCOMPARE(f.display().tone, Tone::idle);

        // The next show resets it.
        f.slide(1);
        QCOMPARE(f.display().time, QStringLiteral("00:00:00"));
        QCOMPARE(f.display().caption,
                 QStringLiteral("Vortragszeit – startet mit dem ersten Klick"));
    }

    void closingDuringAShowKeepsItClosedUntilTheNextShow() {
        Fixture f;
        f.launch();
        f.slide(2);
        QVERIFY(f.shown());
        Q_EMIT f.app->panel()->hostingView()->closeClicked();
        QVERIFY(!f.shown());
        QVERIFY(f.app->closedForShow());
        QVERIFY(!f.app->manualShow());
        f.slide(3);
        f.app->tick();
        QVERIFY(!f.shown());

        f.slide(-1);
        f.slide(1);
        QVERIFY(f.shown());
        QVERIFY(!f.app->closedForShow());
    }

    void closingWithoutAShowOnlyEndsTheManualShow() {
        Fixture f;
        f.launch();
        f.app->showOverlay();
        QVERIFY(f.shown());
        Q_EMIT f.app->panel()->hostingView()->closeClicked();
        QVERIFY(!f.shown());
        QVERIFY(!f.app->closedForShow());
    }

    void autoShowOffLeavesItToTheMenu() {
        SettingsStore().setBool(SettingsKey::autoShow, false);
        Fixture f;
        f.launch();
        f.slide(4);
        QVERIFY(!f.shown());
        // PowerPoint runs, so the sources are active even with the window hidden.
        QVERIFY(f.app->timersActive());
        f.app->toggleOverlay();
        QVERIFY(f.shown());
        QVERIFY(f.app->manualShow());
        // A manually shown window outlives the show.
        f.slide(-1);
        QVERIFY(f.shown());
    }

    void menuToggleDuringAShowHidesItForTheRestOfTheShow() {
        Fixture f;
        f.launch();
        f.slide(2);
        f.app->toggleOverlay();
        QVERIFY(!f.shown());
        QVERIFY(f.app->closedForShow());
        f.app->toggleOverlay();
        QVERIFY(f.shown());
        QVERIFY(f.app->manualShow());
        QVERIFY(!f.app->closedForShow());
    }

    void sourcesStopOnlyOnceEverythingIsOver() {
        Fixture f;
        f.launch();
        f.app->showOverlay();
        QCOMPARE(f.starts, 1);
        f.app->toggleOverlay(); // hidden, PowerPoint not running, no settings window
        QVERIFY(!f.app->timersActive());
        QCOMPARE(f.stops, 1);
        f.app->showOverlay();
        QCOMPARE(f.starts, 2);
    }

    void permissionComesFirstInThePowerPointLine() {
        Fixture f;
        f.launch();
        f.slide(3);
        f.watcher->handleResult({std::nullopt, PowerPoint::errorNotPermitted});
        QVERIFY(!f.shown());
        QVERIFY(f.app->state().permissionDenied());
        QCOMPARE(f.app->state().powerPointLine(),
                 QStringLiteral("Keine Berechtigung, PowerPoint abzufragen"));
    }

    void anOpenPresentationProgramKeepsTheSourcesAndNamesItself() {
        Fixture f;
        f.launch();
        f.watcher->handleResult({0, 0, PresentationProgram::impress, false});
        QVERIFY(f.shown());
        QCOMPARE(f.app->state().powerPointLine(),
                 QStringLiteral("Präsentation läuft in LibreOffice Impress – ohne Foliennummer"));
        f.watcher->handleResult({-1, 0, PresentationProgram::impress, false});
        f.app->tick();
        QVERIFY(!f.shown());
        QVERIFY(f.app->timersActive()); // open without a show, like a running PowerPoint
        f.watcher->handleResult({-1, 0, QString(), true});
        f.app->tick();
        QVERIFY(!f.app->timersActive());
    }

    void menuRowsFollowTheState() {
        Fixture f;
        f.launch();
        QMenu* menu = f.app->statusItem()->menu();
        f.app->statusItem()->rebuildMenu();
        QList<QAction*> actions = menu->actions();
        QCOMPARE(actions.size(), 9);
        QCOMPARE(actions[0]->text(), f.app->state().sourceLine());
        QVERIFY(!actions[0]->isEnabled());
        QCOMPARE(actions[1]->text(), QStringLiteral("PowerPoint ist nicht geöffnet"));
        QVERIFY(!actions[1]->isEnabled());
        QVERIFY(actions[2]->isSeparator());
        QCOMPARE(actions[3]->text(), QStringLiteral("Timer-Fenster anzeigen"));
        QCOMPARE(actions[4]->text(), QStringLiteral("Einstellungen …"));
        // Qt's German key names: the platform's way of writing the shortcut.
        QCOMPARE(actions[4]->shortcut().toString(QKeySequence::NativeText),
                 QStringLiteral("Strg+,"));
        QCOMPARE(actions[5]->text(), QStringLiteral("Timer im Netzwerk suchen"));
        QVERIFY(actions[5]->isEnabled());
        QCOMPARE(actions[6]->text(), QStringLiteral("Redezeit: aus"));
        QVERIFY(actions[7]->isSeparator());
        QCOMPARE(actions[8]->text(), QStringLiteral("Tessaly Kalvane beenden"));
        QCOMPARE(actions[8]->shortcut().toString(QKeySequence::NativeText),
                 QStringLiteral("Strg+Q"));

        actions[3]->trigger();
        QVERIFY(f.shown());
        f.app->statusItem()->rebuildMenu();
        QCOMPARE(menu->actions()[3]->text(), QStringLiteral("Timer-Fenster schließen"));
    }

    void menuWhileSearching() {
        Fixture f;
        f.platform.setRunning(PowerPoint::bundleIdentifier, true);
        f.launch();
        QVERIFY(f.app->ontime().scanning());
        QMenu* menu = f.app->statusItem()->menu();
        f.app->statusItem()->rebuildMenu();
        QCOMPARE(menu->actions()[0]->text(),
                 QStringLiteral("Interner Timer – suche Ontime und Stagetimer …"));
        QVERIFY(!menu->actions()[5]->isEnabled());
        // The command itself does nothing while a search runs.
        const int before = f.starts;
        f.app->searchTimers();
        QCOMPARE(f.starts, before);

        f.platform.setRunning(PowerPoint::bundleIdentifier, false);
        f.app->tick();
        f.app->statusItem()->rebuildMenu();
        QVERIFY(menu->actions()[5]->isEnabled());
        QCOMPARE(menu->actions()[0]->text(),
                 QStringLiteral("Interner Timer (Vortragszeit, startet mit dem ersten Klick)"));
    }

    // The menu row, its dialog and the settings field set one stored length, and each shows
    // what another set.
    void talkLengthMenuAndSettingsFieldShareOneKey() {
        Fixture f;
        f.launch();
        StatusItem& item = *f.app->statusItem();
        f.app->showSettings();
        auto* field = f.app->settingsWindow()->findChild<QSpinBox*>(QStringLiteral("talkLength"));
        // Aus, 5, 10, 15, 20, 30, 45, 60 min, a separator, "Andere …".
        const auto choice = [&item](int row) {
            item.rebuildMenu();
            return item.talkLengthMenu()->actions().at(row);
        };
        choice(4)->trigger();
        QCOMPARE(field->value(), 20);
        field->setValue(25);
        QVERIFY(choice(9)->isChecked());
        QCOMPARE(item.menu()->actions()[6]->text(), QStringLiteral("Redezeit: 25 min"));
        f.app->settingsWindow()->close();
        f.app->tick(); // no search without the window
        QCOMPARE(f.app->state().sourceLine(),
                 QStringLiteral("Interner Timer (Redezeit 25 min, startet mit dem ersten Klick)"));

        // "Andere …" asks above the slide show, offering the length in use.
        QObject::connect(f.app.get(), &AppDelegate::dialogShown, [](AlertDialog& dialog) {
            auto* ask = qobject_cast<TalkLengthDialog*>(&dialog);
            QVERIFY(ask && ask->minutes() == 25);
            ask->setMinutes(7);
            ask->accept();
        });
        choice(9)->trigger();
        QTRY_COMPARE(field->value(), 7);

        // The user's choice replaces a length given for this run, and is saved.
        SettingsStore::setForThisRun(SettingsKey::talkLengthMinutes, 1);
        choice(0)->trigger();
        QCOMPARE(field->text(), QStringLiteral("Aus"));
        QCOMPARE(SettingsStore().talkLengthMinutes(), 0);
    }

    void shortcutsWorkWhileTheMenuIsOpen() {
        Fixture f;
        f.launch();
        QMenu* menu = f.app->statusItem()->menu();
        menu->popup(QPoint(10, 10));
        QVERIFY(QTest::qWaitForWindowExposed(menu));
        QTest::keyClick(menu, Qt::Key_Comma, Qt::ControlModifier);
        QVERIFY(f.app->isSettingsWindowVisible());
        QVERIFY(!menu->isVisible());
        // An open settings window keeps the sources running, until it closes.
        QVERIFY(f.app->timersActive());
        f.app->settingsWindow()->close();
        f.app->tick();
        QVERIFY(!f.app->timersActive());
    }

    void shortcutsWorkInTheWindows() {
        Fixture f;
        f.launch();
        f.app->showOntimeSetup();
        QWidget* setup = f.app->ontimeSetupWindow();
        QVERIFY(QTest::qWaitForWindowActive(setup));
        QTest::keyClick(setup, Qt::Key_Comma, Qt::ControlModifier);
        QVERIFY(f.app->isSettingsWindowVisible());
    }

    void firstLaunchRegistersOnlyAnInstalledCopy_data() {
        QTest::addColumn<bool>("installed");
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<QList<bool>>("requests");
        QTest::addColumn<QVariant>("storedAfter");
        QTest::newRow("installed, first launch")
            << true << QVariant() << QList<bool>{true} << QVariant(true);
        QTest::newRow("elsewhere, first launch")
            << false << QVariant() << QList<bool>{} << QVariant();
        QTest::newRow("installed, user said no")
            << true << QVariant(false) << QList<bool>{} << QVariant(false);
        QTest::newRow("installed, already on")
            << true << QVariant(true) << QList<bool>{} << QVariant(true);
    }

    void firstLaunchRegistersOnlyAnInstalledCopy() {
        QFETCH(bool, installed);
        QFETCH(QVariant, stored);
        QFETCH(QList<bool>, requests);
        QFETCH(QVariant, storedAfter);
        if (stored.isValid())
            SettingsStore().setBool(SettingsKey::launchAtLogin, stored.toBool());
        Fixture f;
        f.platform.installedCopy = installed;
        f.launch();
        QCOMPARE(f.platform.loginItemRequests, requests);
        QCOMPARE(SettingsStore().hasLaunchAtLogin(), storedAfter.isValid());
        if (storedAfter.isValid())
            QCOMPARE(SettingsStore().boolValue(SettingsKey::launchAtLogin), storedAfter.toBool());
    }

    void aRefusedLoginItemIsLoggedAndTheWishKept() {
        Fixture f;
        f.platform.loginItemRefusal = QStringLiteral("not allowed here");
        QTest::ignoreMessage(QtWarningMsg, "Login item: not allowed here");
        f.app->setLaunchAtLogin(true);
        QCOMPARE(f.app->launchAtLoginStatus(), LoginItemStatus::off);
        QVERIFY(SettingsStore().boolValue(SettingsKey::launchAtLogin));
    }

    void aLoginItemAwaitingApprovalReachesTheWindowsAsSuch() {
        Fixture f;
        f.platform.loginItemPending = true;
        QCOMPARE(f.app->launchAtLoginStatus(), LoginItemStatus::awaitingApproval);
        f.app->openLoginItemSettings();
        QCOMPARE(f.platform.loginItemSettingsOpened, 1);
    }
};

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    TestSettings::installThrowawayStore();
    L10n::overrideLanguage(QStringLiteral("de"));
    QtTranslations::install(app, QStringLiteral("de"));
    ControllerTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "ControllerTest.moc"
