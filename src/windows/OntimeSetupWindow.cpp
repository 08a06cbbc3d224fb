#include "windows/OntimeSetupWindow.h"

OntimeSetupWindow::OntimeSetupWindow(OntimeModel& ontime, QWidget* parent)
    : QWidget(parent, Qt::Window)
    , m_ontime(ontime) {}
