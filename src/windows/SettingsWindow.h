#pragma once

#include <QWidget>

class AppState;
class OntimeModel;
class StagetimerModel;
class WindowCommands;

// The settings window: timer source, display, PowerPoint, language. Created once by the
// controller and hidden on close.
class SettingsWindow final : public QWidget {
    Q_OBJECT
public:
    SettingsWindow(WindowCommands& app, AppState& state, OntimeModel& ontime,
                   StagetimerModel& stagetimer, QWidget* parent = nullptr);

private:
    WindowCommands& m_app;
    AppState& m_state;
    OntimeModel& m_ontime;
    StagetimerModel& m_stagetimer;
};
