#include "app/OntimeDisplay.h"

#include "app/BarThresholds.h"
#include "app/OntimeTimerTypes.h"
#include "async/Clock.h"
#include "ontime/OntimeModel.h"

#include <algorithm>
#include <cmath>

namespace {

Tone toneOf(const OntimeSnapshot& state) {
    if (!state.remainingMs)
        return Tone::idle;
    if (*state.remainingMs < 0)
        return Tone::overtime;
    if (state.reading.playback == u"pause")
        return Tone::paused;
    if (state.reading.runsOn())
        return Tone::running;
    return Tone::idle;
}

// What the server's own timer screen shows beyond a plain count-down: the time of another
// timer type, an aux timer on the second line, the bar in the server's phase, a blackout. A
// lost server keeps its status alone, with nothing running on without it.
void showTimerType(TimerDisplay& display, const OntimeSnapshot& state) {
    if (!state.connected)
        return;
    const OntimeReading& reading = state.reading;
    const double sinceMs = std::max(0.0, double(state.monotonicMs - reading.pollMonotonic));
    if (const std::optional<OntimeTimerTypes::TimeRow> row =
            OntimeTimerTypes::timeRow(reading, state.remainingMs, sinceMs)) {
        display.time = row->text;
        display.tone = row->tone;
    }
    if (const std::optional<QString> aux =
            OntimeTimerTypes::auxLine(reading, sinceMs, state.seconds))
        display.secondary = *aux;
    if (!OntimeTimerTypes::hasBar(reading.timerType)) {
        display.progress.reset();
        display.barTone = BarTone::normal;
    } else if (display.progress) {
        // The server's phase follows the event's own settings; it wins where it is sent.
        display.barTone = OntimeTimerTypes::barToneOfPhase(reading.phase).value_or(display.barTone);
    }
    display.blackout = reading.blackout;
}

} // namespace

OntimeSnapshot OntimeSnapshot::of(const OntimeModel& model) {
    OntimeSnapshot state;
    state.connected = model.connected();
    state.status = model.status();
    state.remainingMs = model.remainingMs();
    state.reading = model.reading();
    state.monotonicMs = async::Clock::instance().monotonicMs();
    state.seconds = model.secondsRule();
    return state;
}

TimerDisplay ontimeDisplay(const OntimeSnapshot& state) {
    const OntimeReading& reading = state.reading;
    TimerDisplay display;
    if (state.connected)
        display.caption =
            reading.eventTitle.isEmpty() ? QStringLiteral("Ontime") : reading.eventTitle;
    else
        display.caption = state.status;
    display.time = state.remainingMs ? OntimeModel::format(*state.remainingMs, state.seconds)
                                     : QStringLiteral("--:--");
    display.tone = toneOf(state);
    display.message = reading.timerMessage;
    display.blink = reading.timerMessageBlinks;
    display.secondary = reading.secondaryMessage;
    // Time added while the event runs lengthens it: without it the bar would sit empty for
    // as long as the added time lasts.
    const std::optional<double> total =
        reading.durationMs
            ? std::optional<double>(*reading.durationMs + reading.addedMs.value_or(0))
            : std::nullopt;
    if (state.remainingMs && total && *total > 0) {
        const double remaining = *state.remainingMs;
        const double fraction = 1 - remaining / *total;
        display.progress = std::isnan(fraction) ? 0.0 : std::clamp(fraction, 0.0, 1.0);
        const double warning = reading.warningMs.value_or(BarThresholds::warningMs);
        const double danger = reading.dangerMs.value_or(BarThresholds::dangerMs);
        display.barTone = remaining <= danger    ? BarTone::danger
                          : remaining <= warning ? BarTone::warning
                                                 : BarTone::normal;
    } else {
        display.barTone = BarTone::normal;
    }
    showTimerType(display, state);
    return display;
}

TimerDisplay ontimeDisplay(const OntimeModel& model) {
    return ontimeDisplay(OntimeSnapshot::of(model));
}

namespace {

std::optional<qint64> countDownNextChange(const OntimeSnapshot& state) {
    if (!state.remainingMs || !state.reading.runsOn())
        return std::nullopt;
    const double until = untilNextSecond(*state.remainingMs, TimeDirection::down, state.seconds);
    if (!std::isfinite(until))
        return std::nullopt;
    // Rounded down, the wait already holds the millisecond that shows the new second.
    return qint64(std::ceil(until)) + (state.seconds == SecondsRule::up ? 1 : 0);
}

} // namespace

std::optional<qint64> ontimeNextChange(const OntimeSnapshot& state) {
    if (!state.connected)
        return std::nullopt;
    std::optional<qint64> next = countDownNextChange(state);
    // The other timer types and the aux timer turn over on their own seconds.
    const double sinceMs = std::max(0.0, double(state.monotonicMs - state.reading.pollMonotonic));
    if (const std::optional<double> other =
            OntimeTimerTypes::msUntilNextChange(state.reading, sinceMs, state.seconds)) {
        const qint64 ms = qint64(std::ceil(*other)) + 1;
        next = next ? std::min(*next, ms) : ms;
    }
    return next;
}

QString ontimeSourceLine(const OntimeModel& model) {
    return QStringLiteral("Ontime \u2013 ") + model.status();
}

bool ontimeSourceOK(const OntimeModel& model) {
    return model.connected();
}
