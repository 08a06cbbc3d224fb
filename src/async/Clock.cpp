#include "async/Clock.h"

#include <QDateTime>

#include <atomic>

namespace async {
namespace {

const SystemClock systemClock;
std::atomic<const Clock*> installed{nullptr};

} // namespace

const Clock& Clock::instance() {
    const Clock* clock = installed.load(std::memory_order_acquire);
    return clock ? *clock : systemClock;
}

void Clock::setInstance(const Clock* clock) {
    installed.store(clock, std::memory_order_release);
}

qint64 SystemClock::nowMs() const {
    return QDateTime::currentMSecsSinceEpoch();
}

} // namespace async
