#include "app/OntimeTimerTypes.h"

#include "ontime/TimeFormat.h"

#include <algorithm>
#include <cmath>

namespace OntimeTimerTypes {

namespace {

// Ontime colours the time of the count-down and of an event counting to its end alone;
// every other type keeps its colour in overtime.
bool overtime(const OntimeReading& reading, std::optional<double> remainingMs) {
    return reading.countsToEnd && remainingMs && *remainingMs < 0;
}

Tone playbackTone(const OntimeReading& reading) {
    if (reading.playback == u"pause")
        return Tone::paused;
    return reading.runsOn() ? Tone::running : Tone::idle;
}

} // namespace

std::optional<double> elapsedAfter(const OntimeReading& reading, double sinceMs) {
    if (!reading.elapsedMs)
        return std::nullopt;
    return reading.runsOn() ? *reading.elapsedMs + sinceMs : *reading.elapsedMs;
}

std::optional<double> clockAfter(const OntimeReading& reading, double sinceMs) {
    if (!reading.clockMs)
        return std::nullopt;
    return *reading.clockMs + sinceMs;
}

std::optional<double> auxAfter(const OntimeAuxReading& aux, double sinceMs) {
    if (!aux.current || !aux.runs)
        return aux.current;
    return aux.countsUp ? *aux.current + sinceMs : *aux.current - sinceMs;
}

std::optional<TimeRow> timeRow(const OntimeReading& reading, std::optional<double> remainingMs,
                               double sinceMs) {
    TimeRow row;
    switch (reading.timerType) {
    case OntimeTimerType::countDown:
        return std::nullopt;
    case OntimeTimerType::none:
        // The event has no time to show; the row stays empty rather than reading "--:--",
        // which on the card means that no time is known.
        row.tone = playbackTone(reading);
        return row;
    case OntimeTimerType::clock:
        if (const std::optional<double> clock = clockAfter(reading, sinceMs)) {
            row.text = formatTimeOfDay(*clock);
            // The time of day is never "paused".
            row.tone = Tone::running;
        }
        break;
    case OntimeTimerType::countUp:
        if (const std::optional<double> elapsed = elapsedAfter(reading, sinceMs)) {
            row.text = formatElapsed(*elapsed);
            row.tone = playbackTone(reading);
        }
        break;
    }
    if (row.text.isEmpty())
        row.text = QStringLiteral("--:--");
    else if (overtime(reading, remainingMs))
        row.tone = Tone::overtime;
    return row;
}

std::optional<QString> auxLine(const OntimeReading& reading, double sinceMs, SecondsRule rule) {
    if (!reading.secondaryAux)
        return std::nullopt;
    const std::optional<double> value = auxAfter(*reading.secondaryAux, sinceMs);
    return value ? formatRemaining(*value, rule) : QStringLiteral("--:--");
}

std::optional<BarTone> barToneOfPhase(QStringView phase) {
    if (phase == u"default" || phase == u"none" || phase == u"pending")
        return BarTone::normal;
    if (phase == u"warning")
        return BarTone::warning;
    if (phase == u"danger" || phase == u"overtime")
        return BarTone::danger;
    return std::nullopt;
}

bool hasBar(OntimeTimerType type) {
    return type == OntimeTimerType::countDown || type == OntimeTimerType::countUp;
}

std::optional<double> msUntilNextChange(const OntimeReading& reading, double sinceMs,
                                        SecondsRule rule) {
    std::optional<double> next;
    const auto consider = [&next](double ms) { next = next ? std::min(*next, ms) : ms; };
    if (reading.timerType == OntimeTimerType::clock) {
        if (const std::optional<double> clock = clockAfter(reading, sinceMs))
            consider(untilNextSecond(*clock, TimeDirection::up, SecondsRule::down));
    } else if (reading.timerType == OntimeTimerType::countUp && reading.runsOn()) {
        if (const std::optional<double> elapsed = elapsedAfter(reading, sinceMs))
            consider(untilNextSecond(*elapsed, TimeDirection::up, SecondsRule::down));
    }
    if (reading.secondaryAux && reading.secondaryAux->runs) {
        if (const std::optional<double> aux = auxAfter(*reading.secondaryAux, sinceMs))
            consider(untilNextSecond(
                *aux, reading.secondaryAux->countsUp ? TimeDirection::up : TimeDirection::down,
                rule));
    }
    return next;
}

} // namespace OntimeTimerTypes
