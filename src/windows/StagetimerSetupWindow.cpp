#include "windows/StagetimerSetupWindow.h"

StagetimerSetupWindow::StagetimerSetupWindow(StagetimerModel& stagetimer, QWidget* parent)
    : QWidget(parent, Qt::Window)
    , m_stagetimer(stagetimer) {}
