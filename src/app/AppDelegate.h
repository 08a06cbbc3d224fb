#pragma once

#include "app/AppState.h"
#include "app/TalkTimer.h"
#include "overlay/OverlayModel.h"
#include "powerpoint/PowerPointWatcher.h"
#include "windows/WindowCommands.h"

#include <QObject>

#include <chrono>
#include <functional>
#include <memory>

class OntimeModel;
class OntimeSetupWindow;
class OverlayPanel;
class QTimer;
class SettingsWindow;
class StagetimerModel;
class StagetimerSetupWindow;
class StatusItem;

// The application's single controller. Its tick, four times a second, decides whether the
// timer window is shown, starts and stops the timer sources, builds what the window shows
// and refreshes the status lines. It also runs the internal talk timer from the first slide
// change of a slide show to its end.
class AppDelegate final : public QObject, public WindowCommands {
    Q_OBJECT
public:
    static constexpr std::chrono::milliseconds tickInterval{250};

    // Uses the platform's PowerPoint watcher, or `watcher` when given (tests).
    explicit AppDelegate(std::unique_ptr<PowerPointWatcher> watcher = {},
                         QObject* parent = nullptr);
    ~AppDelegate() override;

    // Start-up, once: timer window, its callbacks, tray item, client wiring, watcher,
    // login item, ticker, first tick.
    void applicationDidFinishLaunching();
    void tick();
    // Shortens or stretches the tick for tests; the app uses tickInterval.
    void setTickInterval(std::chrono::milliseconds interval) { m_tickInterval = interval; }

    // Commands of the menu, the timer window and the settings.
    void toggleOverlay() override;
    void showOverlay();
    void resetOverlayFrame() override;
    void showSettings();
    void showOntimeSetup() override;
    void showStagetimerSetup() override;
    void searchTimers() override;
    void setLaunchAtLogin(bool enabled) override;
    bool launchAtLoginStatus() const override;
    void openAutomationSettings() override;
    void returnFocusToPresentation() override;

    // The watcher's events.
    void slideShowStarted();
    void slideShowEnded();
    void slideChanged();

    // Activating and stopping the timer sources; the network sources install these.
    std::function<void()> onStartTimers;
    std::function<void()> onStopTimers;
    // The registration of the login item on the first launch of an installed copy.
    std::function<void()> onFirstLaunch;

    bool autoShow() const;
    bool manualShow() const { return m_manualShow; }
    bool closedForShow() const { return m_closedForShow; }
    bool timersActive() const { return m_timersActive; }
    const TalkTimer& talkTimer() const { return m_talk; }
    bool isSettingsWindowVisible() const;

    OntimeModel& ontime() { return *m_ontime; }
    StagetimerModel& stagetimer() { return *m_stagetimer; }
    PowerPointWatcher& powerpoint() { return *m_powerpoint; }
    AppState& state() { return m_state; }
    OverlayModel& overlayModel() { return m_overlayModel; }
    OverlayPanel* panel() const { return m_panel.get(); }
    StatusItem* statusItem() const { return m_statusItem.get(); }
    // The configuration windows, once opened.
    SettingsWindow* settingsWindow() const { return m_settings.get(); }
    OntimeSetupWindow* ontimeSetupWindow() const { return m_ontimeSetup.get(); }
    StagetimerSetupWindow* stagetimerSetupWindow() const { return m_stagetimerSetup.get(); }

private:
    TimerDisplay currentDisplay() const;
    void updateState();
    void startTimers();
    void stopTimers();
    bool powerPointRunning() const;

    std::unique_ptr<OntimeModel> m_ontime;
    std::unique_ptr<StagetimerModel> m_stagetimer;
    std::unique_ptr<PowerPointWatcher> m_powerpoint;
    AppState m_state;
    OverlayModel m_overlayModel;
    std::unique_ptr<OverlayPanel> m_panel;
    std::unique_ptr<StatusItem> m_statusItem;
    std::unique_ptr<SettingsWindow> m_settings;
    std::unique_ptr<OntimeSetupWindow> m_ontimeSetup;
    std::unique_ptr<StagetimerSetupWindow> m_stagetimerSetup;
    QTimer* m_ticker = nullptr;
    std::chrono::milliseconds m_tickInterval = tickInterval;
    bool m_manualShow = false;
    bool m_closedForShow = false;
    TalkTimer m_talk;
    bool m_timersActive = false;
};
