#include "app/FlipTimer.h"

#include <chrono>

FlipTimer::FlipTimer(QObject* parent)
    : QObject(parent) {
    m_timer.setSingleShot(true);
    // A coarse timer may fire several milliseconds late.
    m_timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&m_timer, &QTimer::timeout, this, &FlipTimer::due);
}

void FlipTimer::aim(std::optional<qint64> msFromNow) {
    if (!msFromNow) {
        m_timer.stop();
        return;
    }
    m_timer.start(std::chrono::milliseconds(std::max<qint64>(0, *msFromNow)));
}
