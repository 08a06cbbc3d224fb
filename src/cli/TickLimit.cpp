#include "cli/TickLimit.h"

#include <QCoreApplication>
#include <QTimer>

TickLimit::TickLimit(qint64 limit, std::function<void()> onTick, QObject* parent)
    : QObject(parent)
    , m_limit(limit)
    , m_onTick(std::move(onTick))
    , m_timer(new QTimer(this)) {
    m_timer->setTimerType(Qt::PreciseTimer);
    m_timer->setInterval(interval);
    connect(m_timer, &QTimer::timeout, this, &TickLimit::tick);
}

void TickLimit::start() {
    m_timer->start();
}

void TickLimit::tick() {
    ++m_ticks;
    if (m_onTick)
        m_onTick();
    if (m_limit > 0 && m_ticks >= m_limit) {
        m_timer->stop();
        QCoreApplication::quit();
    }
}
