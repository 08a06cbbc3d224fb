#include "async/Clock.h"

#include <QDateTime>

#include <atomic>
#include <chrono>

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

qint64 SystemClock::monotonicMs() const {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

} // namespace async
