#pragma once

#include <QObject>

#include <memory>

class AppState;
class OntimeModel;
class OntimeSetupWindow;
class PowerPointWatcher;
class QWidget;
class SettingsStore;
class SettingsWindow;
class StagetimerModel;
class StagetimerSetupWindow;
class WindowCommands;

// The three configuration windows: each created on its first showing and kept, always shown
// above a running slide show. When one closes, the keyboard goes back to the show.
class ConfigurationWindows final : public QObject {
    Q_OBJECT
public:
    // `commands` is what the settings window's buttons call.
    ConfigurationWindows(WindowCommands& commands, AppState& state, SettingsStore& settings,
                         OntimeModel& ontime, StagetimerModel& stagetimer,
                         const PowerPointWatcher& watcher, QObject* parent = nullptr);
    ~ConfigurationWindows() override;

    void showSettings();
    void showOntimeSetup();
    void showStagetimerSetup();
    bool isSettingsWindowVisible() const;
    // Gives the keyboard back to the running slide show, if one runs.
    void returnFocusToPresentation();

    // The windows, once opened.
    SettingsWindow* settingsWindow() const { return m_settingsWindow.get(); }
    OntimeSetupWindow* ontimeSetupWindow() const { return m_ontimeSetup.get(); }
    StagetimerSetupWindow* stagetimerSetupWindow() const { return m_stagetimerSetup.get(); }

Q_SIGNALS:
    // A window was just made, before its first showing (the tray menu adds its shortcuts).
    void windowCreated(QWidget* window);

private:
    WindowCommands& m_commands;
    AppState& m_state;
    SettingsStore& m_settings;
    OntimeModel& m_ontime;
    StagetimerModel& m_stagetimer;
    const PowerPointWatcher& m_watcher;
    std::unique_ptr<SettingsWindow> m_settingsWindow;
    std::unique_ptr<OntimeSetupWindow> m_ontimeSetup;
    std::unique_ptr<StagetimerSetupWindow> m_stagetimerSetup;
};
