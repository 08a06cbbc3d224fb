#include "app/StagetimerDisplay.h"

#include "ontime/TimeFormat.h"
#include "stagetimer/StagetimerModel.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double warningCapMs = 120000;
constexpr double dangerCapMs = 60000;

Tone toneFor(const StagetimerModel& model, const std::optional<double>& remaining) {
    if (!remaining)
        return Tone::idle;
    if (*remaining < 0)
        return Tone::overtime;
    if (!model.running && model.pause && *model.pause > 0)
        return Tone::paused;
    return model.running ? Tone::running : Tone::idle;
}

} // namespace

TimerDisplay stagetimerDisplay(const StagetimerModel& model) {
    const std::optional<double> remaining = model.remainingMs();

    TimerDisplay display;
    if (model.connected())
        display.caption =
            model.timerName.isEmpty() ? QStringLiteral("Stagetimer") : model.timerName;
    else
        display.caption = model.status();
    display.time = remaining ? formatRemaining(*remaining) : QStringLiteral("--:--");
    display.tone = toneFor(model, remaining);
    display.message = model.message;
    display.blink = false;

    if (remaining && model.finish && model.startTime && *model.startTime > 0 &&
        *model.finish > *model.startTime) {
        const double total = *model.finish - *model.startTime;
        const double progress = 1.0 - *remaining / total;
        display.progress = std::isnan(progress) ? 0.0 : std::clamp(progress, 0.0, 1.0);
        const double warning = std::min(0.2 * total, warningCapMs);
        const double danger = std::min(0.1 * total, dangerCapMs);
        if (*remaining <= danger)
            display.barTone = BarTone::danger;
        else if (*remaining <= warning)
            display.barTone = BarTone::warning;
    }
    return display;
}
