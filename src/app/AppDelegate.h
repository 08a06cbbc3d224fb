#pragma once

#include "app/ConfigurationWindows.h"
#include "app/FlipTimer.h"
#include "app/LoginItem.h"
#include "app/TalkTimer.h"
#include "app/TimerChooser.h"
#include "app/TimerSources.h"
#include "overlay/OverlayModel.h"
#include "powerpoint/PowerPointWatcher.h"
#include "settings/AppState.h"
#include "settings/SettingsStore.h"
#include "windows/WindowCommands.h"

#include <QObject>

#include <chrono>
#include <memory>
#include <optional>

class AlertDialog;
class OntimeModel;
class OverlayPanel;
class QTimer;
class StagetimerModel;
class StatusItem;

// The application's single controller. Its tick, four times a second, decides whether the
// timer window is shown, has the timer sources started or stopped, and refreshes what the
// window shows and the status lines. Between ticks the window's content is refreshed at once
// when a source reports a change, and when its time turns over to the next second. It also runs the
// internal talk timer from the first slide change of a slide show to its end. It owns the parts it
// drives: the sources, the chooser, the configuration windows and the tray item.
class AppDelegate final : public QObject, public WindowCommands {
    Q_OBJECT
public:
    static constexpr std::chrono::milliseconds tickInterval{250};

    // Uses the platform's PowerPoint watcher, or `watcher` when given (tests).
    explicit AppDelegate(std::unique_ptr<PowerPointWatcher> watcher = {},
                         QObject* parent = nullptr);
    ~AppDelegate() override;

    using ChooserRequest = TimerChooser::ChooserRequest;

    // Start-up, once: timer window, its callbacks, tray item, watcher, login item, ticker,
    // first tick.
    void applicationDidFinishLaunching();
    void tick();
    // Builds what the timer window shows from the selected source, and aims at its next change.
    void refreshDisplay();
    // Shortens or stretches the tick for tests; the app uses tickInterval.
    void setTickInterval(std::chrono::milliseconds interval) { m_tickInterval = interval; }

    // Commands of the menu, the timer window and the settings.
    void toggleOverlay() override;
    void showOverlay();
    void resetOverlayFrame() override;
    void showSettings() override;
    void showOntimeSetup() override;
    void showStagetimerSetup() override;
    void searchTimers() override;
    // Asks for a talk length that the menu's presets do not offer, above the slide show.
    void askTalkLength();
    void setLaunchAtLogin(bool enabled) override;
    LoginItemStatus launchAtLoginStatus() const override;
    void openLoginItemSettings() override;
    void openAutomationSettings() override;
    bool canOpenAutomationSettings() const override;
    void returnFocusToPresentation() override;
    // Start at login, once, for an installed copy that was never told otherwise.
    void registerLoginItemOnFirstLaunch();
    // The user started the program again while it runs.
    void applicationShouldHandleReopen();

    // Asks which of the found timers to show; postponed while a slide show runs, unless the
    // settings window is open.
    void chooseTimer(const QList<OntimeServer>& ontimes,
                     const QList<StagetimerDesktop>& stagetimers);
    // Switches the timer window to `choice`.
    void use(const TimerChoice& choice);
    const std::optional<ChooserRequest>& pendingChoice() const { return m_chooser.pendingChoice(); }

    // The watcher's events.
    void slideShowStarted();
    void slideShowEnded();
    void slideChanged();

    bool autoShow() const;
    bool manualShow() const { return m_manualShow; }
    bool closedForShow() const { return m_closedForShow; }
    bool timersActive() const { return m_sources.timersActive(); }
    bool isSettingsWindowVisible() const;

    SettingsStore& settings() { return m_settings; }
    OntimeModel& ontime() { return *m_ontime; }
    StagetimerModel& stagetimer() { return *m_stagetimer; }
    PowerPointWatcher& powerpoint() { return *m_powerpoint; }
    AppState& state() { return m_state; }
    OverlayModel& overlayModel() { return m_overlayModel; }
    OverlayPanel* panel() const { return m_panel.get(); }
    StatusItem* statusItem() const { return m_statusItem.get(); }
    // The configuration windows, once opened.
    SettingsWindow* settingsWindow() const { return m_windows.settingsWindow(); }
    OntimeSetupWindow* ontimeSetupWindow() const { return m_windows.ontimeSetupWindow(); }
    StagetimerSetupWindow* stagetimerSetupWindow() const {
        return m_windows.stagetimerSetupWindow();
    }

Q_SIGNALS:
    // A chooser or an alert is on screen, inside its modal loop: for snapshots and the
    // automation's answer, and for tests, which answer the dialog themselves.
    void dialogShown(AlertDialog& dialog);

private:
    // The user's settings, handed to every part that reads or writes them.
    SettingsStore m_settings;
    std::unique_ptr<OntimeModel> m_ontime;
    std::unique_ptr<StagetimerModel> m_stagetimer;
    std::unique_ptr<PowerPointWatcher> m_powerpoint;
    AppState m_state;
    OverlayModel m_overlayModel;
    TalkTimer m_talk;
    TimerSources m_sources;
    LoginItem m_loginItem;
    std::unique_ptr<OverlayPanel> m_panel;
    std::unique_ptr<StatusItem> m_statusItem;
    // Declared after the tray item, so that the windows, which carry its shortcuts, go first.
    ConfigurationWindows m_windows;
    TimerChooser m_chooser;
    FlipTimer m_flip;
    QTimer* m_ticker = nullptr;
    std::chrono::milliseconds m_tickInterval = tickInterval;
    bool m_manualShow = false;
    bool m_closedForShow = false;
};
