#include "windows/SettingsWindow.h"

SettingsWindow::SettingsWindow(WindowCommands& app, AppState& state, OntimeModel& ontime,
                               StagetimerModel& stagetimer, QWidget* parent)
    : QWidget(parent, Qt::Window)
    , m_app(app)
    , m_state(state)
    , m_ontime(ontime)
    , m_stagetimer(stagetimer) {
    resize(560, 640);
}
