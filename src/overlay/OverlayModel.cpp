#include "overlay/OverlayModel.h"

OverlayModel::OverlayModel(QObject* parent)
    : QObject(parent) {}

void OverlayModel::setDisplay(const TimerDisplay& display) {
    m_display = display;
    Q_EMIT displayChanged();
}
