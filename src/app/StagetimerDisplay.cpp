#include "app/StagetimerDisplay.h"

#include "app/CountdownBar.h"
#include "ontime/TimeFormat.h"
#include "stagetimer/StagetimerModel.h"

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
        const CountdownBar bar = CountdownBar::of(*remaining, *state.finish - *state.startTime);
        display.progress = bar.progress;
        display.barTone = bar.tone;
    }
    return display;
}
