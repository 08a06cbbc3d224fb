#pragma once

#include "windows/ConfigurationWindow.h"

class AppState;
class OntimeModel;
class SettingsStore;
class StagetimerModel;
class WindowCommands;

// The settings window: timer source, display, PowerPoint, language. Every control writes
// straight to the settings store or calls the controller; there is no apply step. Its
// sections follow the status record, the Ontime client's search and the settings store as
// they change. Created once by the controller and hidden on close.
class SettingsWindow final : public ConfigurationWindow {
    Q_OBJECT
public:
    static constexpr int defaultWidth = 560;
    static constexpr int defaultHeight = 640;

    SettingsWindow(WindowCommands& app, AppState& state, OntimeModel& ontime,
                   StagetimerModel& stagetimer, SettingsStore& settings, QWidget* parent = nullptr);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    WindowCommands& m_app;
};
