#include "app/OntimeDisplay.h"

#include "ontime/OntimeModel.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double defaultWarningMs = 120000;
constexpr double defaultDangerMs = 60000;

Tone toneOf(const OntimeSnapshot& state) {
    if (!state.remainingMs)
        return Tone::idle;
    if (*state.remainingMs < 0)
        return Tone::overtime;
    if (state.playback == u"pause")
        return Tone::paused;
    if (state.playback == u"play" || state.playback == u"start" || state.playback == u"roll")
        return Tone::running;
    return Tone::idle;
}

} // namespace

OntimeSnapshot OntimeSnapshot::of(const OntimeModel& model) {
    OntimeSnapshot state;
    state.connected = model.connected();
    state.status = model.status();
    state.eventTitle = model.eventTitle();
    state.playback = model.playback();
    state.remainingMs = model.remainingMs();
    state.durationMs = model.durationMs();
    state.addedMs = model.addedMs();
    state.warningMs = model.warningMs();
    state.dangerMs = model.dangerMs();
    state.timerMessage = model.timerMessage();
    state.timerMessageBlinks = model.timerMessageBlinks();
    state.secondaryMessage = model.secondaryMessage();
    return state;
}

TimerDisplay ontimeDisplay(const OntimeSnapshot& state) {
    TimerDisplay display;
    if (state.connected)
        display.caption = state.eventTitle.isEmpty() ? QStringLiteral("Ontime") : state.eventTitle;
    else
        display.caption = state.status;
    display.time =
        state.remainingMs ? OntimeModel::format(*state.remainingMs) : QStringLiteral("--:--");
    display.tone = toneOf(state);
    display.message = state.timerMessage;
    display.blink = state.timerMessageBlinks;
    display.secondary = state.secondaryMessage;
    // Time added while the event runs lengthens it: without it the bar would sit empty for
    // as long as the added time lasts.
    const std::optional<double> total =
        state.durationMs ? std::optional<double>(*state.durationMs + state.addedMs.value_or(0))
                         : std::nullopt;
    if (state.remainingMs && total && *total > 0) {
        const double remaining = *state.remainingMs;
        const double fraction = 1 - remaining / *total;
        display.progress = std::isnan(fraction) ? 0.0 : std::clamp(fraction, 0.0, 1.0);
        const double warning = state.warningMs.value_or(defaultWarningMs);
        const double danger = state.dangerMs.value_or(defaultDangerMs);
        display.barTone = remaining <= danger    ? BarTone::danger
                          : remaining <= warning ? BarTone::warning
                                                 : BarTone::normal;
    } else {
        display.barTone = BarTone::normal;
    }
    return display;
}

TimerDisplay ontimeDisplay(const OntimeModel& model) {
    return ontimeDisplay(OntimeSnapshot::of(model));
}

QString ontimeSourceLine(const OntimeModel& model) {
    return QStringLiteral("Ontime \u2013 ") + model.status();
}

bool ontimeSourceOK(const OntimeModel& model) {
    return model.connected();
}
