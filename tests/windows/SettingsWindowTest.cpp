#include "support/TestMain.h"
#include "windows/WindowTestSupport.h"

#include "ontime/OntimeModel.h"
#include "overlay/OverlayModel.h"
#include "overlay/OverlayPanel.h"
#include "overlay/OverlayView.h"
#include "settings/AppState.h"
#include "settings/SettingsStore.h"
#include "stagetimer/StagetimerModel.h"
#include "windows/DarkLook.h"
#include "windows/DisplaySection.h"
#include "windows/SettingsWindow.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QSlider>

#include <memory>

// Everything a settings window needs, fresh for each test.
struct SettingsFixture {
    explicit SettingsFixture(bool captureExclusion = true)
        : platform(captureExclusion) {
        OntimeModel::Timing fast;
        fast.scanTimeout = std::chrono::milliseconds(400);
        fast.rescanPause = std::chrono::milliseconds(50);
        ontime.setTiming(fast);
        window = std::make_unique<SettingsWindow>(commands, state, ontime, stagetimer, settings);
    }

    FakeWindowPlatform platform;
    FakeCommands commands;
    AppState state;
    SettingsStore settings;
    OntimeModel ontime{settings};
    StagetimerModel stagetimer{settings};
    std::unique_ptr<SettingsWindow> window;
};

class SettingsWindowTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() {
        // A loopback network of this test's own: other test programs put their fake servers
        // on the shared one.
        qputenv("KLV_SCAN_INTERFACES", "en9=127.0.77.20/24");
    }
    void init() { TestSettings::installThrowawayStore(); }

    void anEmptyStoreShowsTheDefaults() {
        SettingsFixture f;
        for (const char* name : {"autoShow", "showCaption", "showMessages", "showBar"})
            QVERIFY2(child<QCheckBox>(*f.window, name)->isChecked(), name);
        // Hidden from sharing, since showing in sharing is off by default.
        QVERIFY(child<QCheckBox>(*f.window, "hideInSharing")->isChecked());
        QCOMPARE(child<QSlider>(*f.window, "opacity")->value(), 850);
        QCOMPARE(child<QLabel>(*f.window, "opacityValue")->text(), QStringLiteral("85 %"));
        QCOMPARE(child<QComboBox>(*f.window, "language")->currentText(),
                 QStringLiteral("Automatisch"));
        QCOMPARE(f.window->width(), SettingsWindow::defaultWidth);
        QVERIFY(f.window->height() >= SettingsWindow::defaultHeight);
    }

    void opacityTextIsTruncatedToWholePercent_data() {
        QTest::addColumn<double>("opacity");
        QTest::addColumn<QString>("text");
        QTest::newRow("a third") << 0.333 << QStringLiteral("33 %");
        QTest::newRow("almost a step") << 0.999 << QStringLiteral("99 %");
        // 0.29 is 0.28999… in binary; a user who set 29 % must read 29.
        QTest::newRow("binary fraction") << 0.29 << QStringLiteral("29 %");
        QTest::newRow("default") << 0.85 << QStringLiteral("85 %");
        QTest::newRow("opaque") << 1.0 << QStringLiteral("100 %");
        QTest::newRow("clear") << 0.0 << QStringLiteral("0 %");
    }
    void opacityTextIsTruncatedToWholePercent() {
        QFETCH(double, opacity);
        QFETCH(QString, text);
        QCOMPARE(DisplaySection::opacityText(opacity), text);
    }

    void movingTheSliderChangesTheCardAtOnce() {
        SettingsFixture f;
        OverlayModel model;
        OverlayView card(&model, f.settings);
        child<QSlider>(*f.window, "opacity")->setValue(333);
        QCOMPARE(SettingsStore().overlayOpacity(), 0.333);
        QCOMPARE(child<QLabel>(*f.window, "opacityValue")->text(), QStringLiteral("33 %"));
        QCOMPARE(card.opacity(), 0.333);
    }

    void aSettingWrittenElsewhereMovesTheControls() {
        SettingsFixture f;
        SettingsStore settings;
        settings.setDouble(SettingsKey::overlayOpacity, 0.5);
        settings.setBool(SettingsKey::showBar, false);
        settings.setString(SettingsKey::appLanguage, QStringLiteral("fr"));
        QCOMPARE(child<QSlider>(*f.window, "opacity")->value(), 500);
        QVERIFY(!child<QCheckBox>(*f.window, "showBar")->isChecked());
        QCOMPARE(child<QComboBox>(*f.window, "language")->currentText(),
                 QStringLiteral("Français"));
    }

    void aSaveThatFailsIsSaidUntilOneWorks() {
        SettingsFixture f;
        const auto* line = child<QLabel>(*f.window, "saveFailure");
        QVERIFY(line->isHidden());
        // A folder where the file should be: no write can replace it, not even root's.
        const QString file = f.settings.fileName();
        QFile::remove(file);
        QVERIFY(QDir().mkpath(file));
        f.settings.setBool(SettingsKey::showBar, false);
        QVERIFY(!line->isHidden());
        QCOMPARE(line->text(),
                 QStringLiteral("Einstellungen können nicht gespeichert werden (%1)").arg(file));
        QVERIFY(QDir(file).removeRecursively());
        f.settings.setBool(SettingsKey::showBar, true);
        QVERIFY(line->isHidden());
    }

    void theSharingSwitchStoresTheNegationAndTheCardFollows() {
        SettingsFixture f;
        OverlayModel model;
        SettingsStore settings;
        OverlayPanel panel(&model, settings);
        f.platform.captureExcluded.clear();
        auto* hide = child<QCheckBox>(*f.window, "hideInSharing");
        QVERIFY(hide->isEnabled());
        hide->click();
        QCOMPARE(SettingsStore().showInSharing(), true);
        QCOMPARE(f.platform.captureExcluded, QList<bool>{false});
        hide->click();
        QCOMPARE(SettingsStore().showInSharing(), false);
        QCOMPARE(f.platform.captureExcluded, (QList<bool>{false, true}));
    }

    void withoutCaptureExclusionTheSharingSwitchSaysSo() {
        SettingsFixture f(false);
        auto* hide = child<QCheckBox>(*f.window, "hideInSharing");
        QVERIFY(!hide->isEnabled());
        QVERIFY(!hide->isChecked());
        QVERIFY(!hide->toolTip().isEmpty());
    }

    void theLoginSwitchShowsWhatTheSystemDid_data() {
        QTest::addColumn<bool>("accepts");
        QTest::addColumn<bool>("checkedAfter");
        QTest::newRow("registered") << true << true;
        QTest::newRow("refused, springs back") << false << false;
    }
    void theLoginSwitchShowsWhatTheSystemDid() {
        QFETCH(bool, accepts);
        QFETCH(bool, checkedAfter);
        SettingsFixture f;
        f.commands.loginItemAccepts = accepts;
        f.window->show();
        auto* login = child<QCheckBox>(*f.window, "launchAtLogin");
        QVERIFY(!login->isChecked());
        login->click();
        QCOMPARE(f.commands.calls.last(), QStringLiteral("setLaunchAtLogin 1"));
        QCOMPARE(login->isChecked(), checkedAfter);
    }

    void theLoginSwitchIsReadAgainAtEveryShowing() {
        SettingsFixture f;
        f.window->show();
        auto* login = child<QCheckBox>(*f.window, "launchAtLogin");
        QVERIFY(!login->isChecked());
        f.window->close();
        // Registered outside the app while the window was hidden.
        f.commands.loginItem = LoginItemStatus::on;
        f.window->show();
        QVERIFY(login->isChecked());
    }

    // Registered but not yet approved: the switch stays on and says so, with a button to the
    // system settings where the approval is given; switched off, the row goes.
    void aLoginItemAwaitingApprovalShowsTheWayToItsApproval() {
        SettingsFixture f;
        f.commands.loginItem = LoginItemStatus::awaitingApproval;
        f.window->show();
        auto* login = child<QCheckBox>(*f.window, "launchAtLogin");
        auto* open = child<QPushButton>(*f.window, "openLoginItemSettings");
        QVERIFY(login->isChecked());
        QVERIFY(open->isVisible());
        open->click();
        QCOMPARE(f.commands.calls.last(), QStringLiteral("openLoginItemSettings"));
        login->click();
        QVERIFY(!login->isChecked());
        QVERIFY(!open->isVisible());
    }

    void theSearchButtonFollowsTheSearch() {
        SettingsFixture f;
        f.window->show();
        auto* search = child<QPushButton>(*f.window, "search");
        auto* progress = child<QProgressBar>(*f.window, "searchProgress");
        auto* info = child<QLabel>(*f.window, "scanInfo");
        QCOMPARE(search->text(), QStringLiteral("Timer im Netzwerk suchen"));
        QVERIFY(search->isEnabled());
        QVERIFY(!progress->isVisible());
        QVERIFY(!info->isVisible());

        bool sawProgress = false;
        connect(&f.ontime, &OntimeModel::scanProgressChanged, this, [&] {
            if (f.ontime.scanning() && f.ontime.scanProgress() > 0)
                sawProgress |= progress->value() == qRound(f.ontime.scanProgress() * 1000);
        });
        f.ontime.search(false, false);
        QTRY_VERIFY(f.ontime.scanning());
        QCOMPARE(search->text(), QStringLiteral("Suche läuft …"));
        QVERIFY(!search->isEnabled());
        QVERIFY(progress->isVisible());

        QTRY_VERIFY_WITH_TIMEOUT(!f.ontime.scanning(), 10000);
        QVERIFY(sawProgress);
        QCOMPARE(search->text(), QStringLiteral("Timer im Netzwerk suchen"));
        QVERIFY(search->isEnabled());
        QVERIFY(!progress->isVisible());
        QVERIFY(info->isVisible());
        QCOMPARE(info->text(), f.ontime.scanInfo());
    }

    void internalTimerDisconnectsBothClients() {
        SettingsFixture f;
        f.ontime.connect(
            OntimeServer{QStringLiteral("127.0.0.1"), 9, OntimeAPI::v3, QStringLiteral("3.0.0")});
        SettingsStore().setBool(SettingsKey::stagetimerEnabled, true);
        QVERIFY(SettingsStore().ontimeEnabled());
        child<QPushButton>(*f.window, "internalTimer")->click();
        QVERIFY(!f.ontime.server());
        QVERIFY(!SettingsStore().ontimeEnabled());
        QVERIFY(!SettingsStore().stagetimerEnabled());
        QCOMPARE(SettingsStore().timerSource(), QStringLiteral("internal"));
    }

    void thePowerPointRowShowsADeniedPermission_data() {
        QTest::addColumn<bool>("automationSettings");
        QTest::newRow("system with automation settings") << true;
        QTest::newRow("nothing to grant") << false;
    }
    void thePowerPointRowShowsADeniedPermission() {
        QFETCH(bool, automationSettings);
        SettingsFixture f;
        f.commands.automationSettings = automationSettings;
        f.window->show();
        auto* line = child<QLabel>(*f.window, "powerPointLine");
        auto* grant = child<QPushButton>(*f.window, "grantPermission");
        auto* hint = child<QLabel>(*f.window, "permissionHint");
        QVERIFY(!grant->isVisible());
        QVERIFY(!hint->isVisible());
        f.state.setPowerPointLine(QStringLiteral("Keine Berechtigung, PowerPoint abzufragen"));
        f.state.setPermissionDenied(true);
        QCOMPARE(line->palette().color(QPalette::WindowText), DarkLook::red());
        QCOMPARE(grant->isVisible(), automationSettings);
        QCOMPARE(hint->isVisible(), automationSettings);
        QVERIFY(hint->text().contains(u"„Tessaly Kalvane“"));
        if (automationSettings) {
            grant->click();
            QCOMPARE(f.commands.calls.last(), QStringLiteral("openAutomationSettings"));
        }
        f.state.setPermissionDenied(false);
        QCOMPARE(line->palette().color(QPalette::WindowText), DarkLook::primaryText());
        QVERIFY(!grant->isVisible());
        QVERIFY(!hint->isVisible());
    }

    void theLanguagePickerOnlyStoresTheChoice() {
        SettingsFixture f;
        auto* picker = child<QComboBox>(*f.window, "language");
        QCOMPARE(picker->count(), 4);
        QCOMPARE(picker->itemText(3), QStringLiteral("Français"));
        picker->setCurrentIndex(3);
        Q_EMIT picker->activated(3);
        QCOMPARE(SettingsStore().appLanguage(), QStringLiteral("fr"));
        picker->setCurrentIndex(0);
        Q_EMIT picker->activated(0);
        QCOMPARE(SettingsStore().appLanguage(), QString());
    }

    void closingHidesAndGivesTheFocusBack_data() {
        QTest::addColumn<int>("key");
        QTest::newRow("Return presses Fertig") << int(Qt::Key_Return);
        QTest::newRow("Escape") << int(Qt::Key_Escape);
    }
    void closingHidesAndGivesTheFocusBack() {
        QFETCH(int, key);
        SettingsFixture f;
        f.window->show();
        // Sent to a switch, which leaves both keys to the window.
        QTest::keyClick(child<QCheckBox>(*f.window, "showBar"), Qt::Key(key));
        QVERIFY(!f.window->isVisible());
        QCOMPARE(f.commands.calls, QStringList{QStringLiteral("returnFocus")});
        // The same window shows again.
        f.window->show();
        QVERIFY(f.window->isVisible());
    }

    void tabOrderFollowsTheVisualOrder() {
        SettingsFixture f;
        f.window->show();
        QCOMPARE(tabOrder(*f.window), visualFocusOrder(*f.window));
    }
};

KALVANE_TEST_MAIN_GUI(SettingsWindowTest)
#include "SettingsWindowTest.moc"
