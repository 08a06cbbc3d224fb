#include "stagetimer/StagetimerState.h"

std::optional<double> StagetimerState::remainingMs(qint64 nowMs) const {
    if (!finish)
        return std::nullopt;
    if (running)
        return *finish - (static_cast<double>(nowMs) + clockOffset);
    if (pause && *pause > 0)
        return *finish - *pause;
    if (startTime && *startTime > 0)
        return *finish - *startTime;
    return std::nullopt;
}
