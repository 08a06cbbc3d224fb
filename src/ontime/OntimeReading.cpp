#include "ontime/OntimeReading.h"

#include "ontime/OntimeRecords.h"
#include "json/CleanText.h"

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

} // namespace

bool OntimeReading::playbackRunsOn(QStringView playback) {
    return playback == u"play" || playback == u"start" || playback == u"roll";
}

std::optional<double> OntimeReading::remainingAt(qint64 monotonicMs) const {
    if (!current || playback == u"stop")
        return std::nullopt;
    if (playback == u"armed" && *current == 0)
        return std::nullopt;
    if (runsOn())
        return *current - double(monotonicMs - pollMonotonic);
    return current;
}

OntimeReading takeOver(const OntimeReading& before, const RuntimeData& d) {
    OntimeReading reading;
    reading.pollTime = before.pollTime;
    reading.pollMonotonic = before.pollMonotonic;
    if (d.timer) {
        reading.current = d.timer->current;
        reading.playback = d.timer->playback.value_or(QString());
        reading.durationMs = d.timer->duration;
        reading.addedMs = d.timer->addedTime;
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
