#include "ontime/OntimeRecords.h"

#include "json/JsonFields.h"

namespace {

template <typename T>
std::optional<T> checked(const JsonFields& fields, T value) {
    if (!fields.ok())
        return std::nullopt;
    return value;
}

std::optional<RuntimeData::Timer> timerFromJson(const QJsonObject& object) {
    JsonFields f(object);
    RuntimeData::Timer timer;
    timer.current = f.number(u"current");
    timer.playback = f.string(u"playback");
    timer.duration = f.number(u"duration");
    timer.addedTime = f.number(u"addedTime");
    timer.elapsed = f.number(u"elapsed");
    timer.phase = f.string(u"phase");
    timer.expectedFinish = f.number(u"expectedFinish");
    return checked(f, timer);
}

std::optional<RuntimeData::Event> eventFromJson(const QJsonObject& object) {
    JsonFields f(object);
    RuntimeData::Event event;
    event.title = f.string(u"title");
    event.timeWarning = f.number(u"timeWarning");
    event.timeDanger = f.number(u"timeDanger");
    event.timerType = f.string(u"timerType");
    event.countToEnd = f.boolean(u"countToEnd");
    return checked(f, event);
}

std::optional<RuntimeData::Message::TimerMessage> timerMessageFromJson(const QJsonObject& object) {
    JsonFields f(object);
    RuntimeData::Message::TimerMessage message;
    message.text = f.string(u"text");
    message.visible = f.boolean(u"visible");
    message.blink = f.boolean(u"blink");
    message.secondarySource = f.string(u"secondarySource");
    message.blackout = f.boolean(u"blackout");
    return checked(f, message);
}

std::optional<RuntimeData::AuxTimer> auxTimerFromJson(const QJsonObject& object) {
    JsonFields f(object);
    RuntimeData::AuxTimer aux;
    aux.current = f.number(u"current");
    aux.playback = f.string(u"playback");
    aux.direction = f.string(u"direction");
    return checked(f, aux);
}

std::optional<RuntimeData::Message::External> externalFromJson(const QJsonObject& object) {
    JsonFields f(object);
    RuntimeData::Message::External external;
    external.text = f.string(u"text");
    external.visible = f.boolean(u"visible");
    return checked(f, external);
}

std::optional<RuntimeData::Message> messageFromJson(const QJsonObject& object) {
    JsonFields f(object);
    RuntimeData::Message message;
    message.timer = f.record<RuntimeData::Message::TimerMessage>(u"timer", timerMessageFromJson);
    message.secondary = f.string(u"secondary");
    if (const std::optional<QJsonValue> external = f.value(u"external")) {
        if (external->isString()) {
            message.external = external->toString();
        } else {
            message.external =
                f.record<RuntimeData::Message::External>(u"external", externalFromJson);
        }
    }
    return checked(f, message);
}

} // namespace

std::optional<RuntimeData> RuntimeData::fromObject(const QJsonObject& object) {
    JsonFields f(object);
    RuntimeData data;
    data.clock = f.number(u"clock");
    data.timer = f.record<Timer>(u"timer", timerFromJson);
    data.eventNow = f.record<Event>(u"eventNow", eventFromJson);
    data.message = f.record<Message>(u"message", messageFromJson);
    data.auxTimers = {f.record<AuxTimer>(u"auxtimer1", auxTimerFromJson),
                      f.record<AuxTimer>(u"auxtimer2", auxTimerFromJson),
                      f.record<AuxTimer>(u"auxtimer3", auxTimerFromJson)};
    return checked(f, data);
}

std::optional<PollResponse> PollResponse::decode(const QByteArray& body) {
    const std::optional<QJsonObject> object = parseJsonObject(body);
    if (!object)
        return std::nullopt;
    JsonFields f(*object);
    const std::optional<RuntimeData> payload =
        f.record<RuntimeData>(u"payload", RuntimeData::fromObject);
    if (!payload || !f.ok())
        return std::nullopt;
    return PollResponse{*payload};
}

std::optional<VersionResponse> VersionResponse::decode(const QByteArray& body) {
    const std::optional<QJsonObject> object = parseJsonObject(body);
    if (!object)
        return std::nullopt;
    JsonFields f(*object);
    const std::optional<QString> payload = f.string(u"payload");
    if (!payload || !f.ok())
        return std::nullopt;
    return VersionResponse{*payload};
}

std::optional<LegacyInfo> LegacyInfo::decode(const QByteArray& body) {
    const std::optional<QJsonObject> object = parseJsonObject(body);
    if (!object)
        return std::nullopt;
    JsonFields f(*object);
    const std::optional<qint64> port = f.integer(u"serverPort");
    if (!port || !f.ok())
        return std::nullopt;
    return LegacyInfo{*port};
}

std::optional<LegacyPoll> LegacyPoll::decode(const QByteArray& body) {
    const std::optional<QJsonObject> object = parseJsonObject(body);
    if (!object)
        return std::nullopt;
    JsonFields f(*object);
    LegacyPoll poll;
    poll.running = f.number(u"running");
    poll.playback = f.string(u"playback");
    return checked(f, poll);
}
