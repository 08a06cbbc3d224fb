#include "app/CountdownBar.h"

#include "app/BarThresholds.h"

#include <algorithm>
#include <cmath>

CountdownBar CountdownBar::of(double remainingMs, double totalMs) {
    CountdownBar bar;
    const double progress = 1.0 - remainingMs / totalMs;
    bar.progress = std::isnan(progress) ? 0.0 : std::clamp(progress, 0.0, 1.0);
    const double warning = std::min(0.2 * totalMs, BarThresholds::warningMs);
    const double danger = std::min(0.1 * totalMs, BarThresholds::dangerMs);
    if (remainingMs <= danger)
        bar.tone = BarTone::danger;
    else if (remainingMs <= warning)
        bar.tone = BarTone::warning;
    return bar;
}
