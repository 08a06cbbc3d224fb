#include "ontime/OntimeReading.h"

#include "ontime/OntimeRecords.h"
#include "ontime/ServerClock.h"
#include "json/CleanText.h"

#include <cmath>

namespace {

QString secondaryText(const RuntimeData::Message& message) {
    const std::optional<QString> source =
        message.timer ? message.timer->secondarySource : std::nullopt;
    if (message.secondary)
        return source == u"secondary" ? *message.secondary : QString();
    if (!message.external)
        return {};
    if (const auto* text = std::get_if<QString>(&*message.external))
        return source == u"external" ? *text : QString();
    const auto& external = std::get<RuntimeData::Message::External>(*message.external);
    return external.visible == true ? external.text.value_or(QString()) : QString();
}

OntimeTimerType timerTypeOf(const std::optional<QString>& type) {
    if (type == u"count-up")
        return OntimeTimerType::countUp;
    if (type == u"clock")
        return OntimeTimerType::clock;
    if (type == u"none")
        return OntimeTimerType::none;
    return OntimeTimerType::countDown;
}

// Servers from 4 name one of three aux timers ("aux1" …); 3.6 to 3.16 have only one ("aux").
std::optional<OntimeAuxReading> secondaryAux(const RuntimeData& d) {
    const std::optional<QString> source =
        d.message && d.message->timer ? d.message->timer->secondarySource : std::nullopt;
    if (!source)
        return std::nullopt;
    int index = -1;
    if (*source == u"aux" || *source == u"aux1")
        index = 0;
    else if (*source == u"aux2")
        index = 1;
    else if (*source == u"aux3")
        index = 2;
    else
        return std::nullopt;
    OntimeAuxReading aux;
    if (const std::optional<RuntimeData::AuxTimer>& timer = d.auxTimers[size_t(index)]) {
        aux.current = timer->current;
        aux.runs = timer->playback == u"start";
        aux.countsUp = timer->direction == u"count-up";
    }
    return aux;
}

void takeOverTimerType(OntimeReading& reading, const RuntimeData& d) {
    reading.clockMs = d.clock;
    if (d.timer) {
        reading.elapsedMs = d.timer->elapsed;
        reading.phase = d.timer->phase.value_or(QString());
    }
    if (d.eventNow) {
        reading.timerType = timerTypeOf(d.eventNow->timerType);
        reading.countsToEnd =
            d.eventNow->countToEnd == true || d.eventNow->timerType == u"time-to-end";
    }
    reading.secondaryAux = secondaryAux(d);
    reading.blackout = d.message && d.message->timer && d.message->timer->blackout == true;
}

} // namespace

bool OntimeReading::playbackRunsOn(QStringView playback) {
    return playback == u"play" || playback == u"start" || playback == u"roll";
}

std::optional<double> OntimeReading::remainingAt(qint64 monotonicMs) const {
    if (!current || playback == u"stop")
        return std::nullopt;
    if (playback == u"armed" && *current == 0)
        return std::nullopt;
    if (!runsOn())
        return current;
    const double counted = *current - double(monotonicMs - pollMonotonic);
    if (clockOffset && expectedFinish) {
        // The end on the server's clock, taken within a day of the counted value so that
        // midnight between the two changes nothing.
        const double onServer = *expectedFinish - (double(monotonicMs) + *clockOffset);
        const double correction = aroundZero(onServer - counted);
        if (std::fabs(correction) <= maxClockCorrectionMs)
            return counted + correction;
    }
    return counted;
}

OntimeReading takeOver(const OntimeReading& before, const RuntimeData& d) {
    OntimeReading reading;
    reading.pollTime = before.pollTime;
    reading.pollMonotonic = before.pollMonotonic;
    reading.clockOffset = before.clockOffset;
    if (d.timer) {
        reading.current = d.timer->current;
        reading.playback = d.timer->playback.value_or(QString());
        reading.durationMs = d.timer->duration;
        reading.addedMs = d.timer->addedTime;
        reading.expectedFinish = d.timer->expectedFinish;
    }
    if (d.eventNow) {
        reading.eventTitle = cleanText(d.eventNow->title.value_or(QString()), messageLength);
        reading.warningMs = d.eventNow->timeWarning;
        reading.dangerMs = d.eventNow->timeDanger;
    }
    const std::optional<RuntimeData::Message::TimerMessage> timer =
        d.message ? d.message->timer : std::nullopt;
    if (timer && timer->visible == true)
        reading.timerMessage = cleanText(timer->text.value_or(QString()), messageLength);
    reading.timerMessageBlinks = timer && timer->blink == true;
    if (d.message)
        reading.secondaryMessage = cleanText(secondaryText(*d.message), messageLength);
    takeOverTimerType(reading, d);
    return reading;
}

OntimeReading takeOver(const OntimeReading& before, const PollResponse& response) {
    return takeOver(before, response.payload);
}

OntimeReading takeOver(const OntimeReading& before, const LegacyPoll& poll) {
    OntimeReading reading;
    reading.pollTime = before.pollTime;
    reading.pollMonotonic = before.pollMonotonic;
    reading.warningMs = before.warningMs;
    reading.dangerMs = before.dangerMs;
    reading.timerMessageBlinks = before.timerMessageBlinks;
    reading.current = poll.running ? std::optional<double>(*poll.running * 1000) : std::nullopt;
    reading.playback = poll.playback.value_or(QString());
    return reading;
}
