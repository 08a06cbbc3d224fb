#include "app/StagetimerDisplay.h"

#include "app/BarThresholds.h"
#include "ontime/TimeFormat.h"
#include "stagetimer/StagetimerModel.h"

#include <algorithm>
#include <cmath>

namespace {

Tone toneFor(const StagetimerState& state, const std::optional<double>& remaining) {
    if (!remaining)
        return Tone::idle;
    if (*remaining < 0)
        return Tone::overtime;
    if (!state.running && state.pause && *state.pause > 0)
        return Tone::paused;
    return state.running ? Tone::running : Tone::idle;
}

} // namespace

TimerDisplay stagetimerDisplay(const StagetimerModel& model) {
    const std::optional<double> remaining = model.remainingMs();
    const StagetimerState& state = model.state();

    TimerDisplay display;
    if (model.connected())
        display.caption =
            state.timerName.isEmpty() ? QStringLiteral("Stagetimer") : state.timerName;
    else
        display.caption = model.status();
    display.time = remaining ? formatRemaining(*remaining) : QStringLiteral("--:--");
    display.tone = toneFor(state, remaining);
    display.message = state.message;
    display.blink = false;

    if (remaining && state.finish && state.startTime && *state.startTime > 0 &&
        *state.finish > *state.startTime) {
        const double total = *state.finish - *state.startTime;
        const double progress = 1.0 - *remaining / total;
        display.progress = std::isnan(progress) ? 0.0 : std::clamp(progress, 0.0, 1.0);
        const double warning = std::min(0.2 * total, BarThresholds::warningMs);
        const double danger = std::min(0.1 * total, BarThresholds::dangerMs);
        if (*remaining <= danger)
            display.barTone = BarTone::danger;
        else if (*remaining <= warning)
            display.barTone = BarTone::warning;
    }
    return display;
}
