#include "ontime/ServerClock.h"

#include <algorithm>
#include <cmath>

double aroundZero(double ms) {
    double wrapped = std::fmod(ms, ServerClock::dayMs);
    if (wrapped > ServerClock::dayMs / 2)
        wrapped -= ServerClock::dayMs;
    else if (wrapped <= -ServerClock::dayMs / 2)
        wrapped += ServerClock::dayMs;
    return wrapped;
}

void ServerClock::add(double clockMs, qint64 monotonicMs) {
    if (!std::isfinite(clockMs))
        return;
    while (!m_samples.empty() && monotonicMs - m_samples.front().received > windowMs)
        m_samples.pop_front();
    double sample = clockMs - double(monotonicMs);
    if (const std::optional<double> best = offset()) {
        // Kept within half a day of the others, so that midnight does not count as a jump.
        sample = *best + aroundZero(sample - *best);
        if (sample + double(maxAgeMs) < *best)
            m_samples.clear();
    } else {
        sample = aroundZero(sample);
    }
    m_samples.push_back({monotonicMs, sample});
}

std::optional<double> ServerClock::offset() const {
    if (m_samples.empty())
        return std::nullopt;
    return std::max_element(m_samples.begin(), m_samples.end(),
                            [](const Sample& a, const Sample& b) { return a.offset < b.offset; })
        ->offset;
}
