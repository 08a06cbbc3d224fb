#include "ontime/SocketMessage.h"

#include "json/JsonFields.h"

namespace {

// Generation 3 names each key's message after the key.
constexpr QStringView keyPrefix = u"ontime-";

std::optional<SocketMessage> fromTag(const QString& tag, const QJsonValue& payload) {
    SocketMessage message;
    if (tag == u"runtime-data") {
        if (!payload.isObject())
            return std::nullopt;
        message.kind = SocketMessage::Kind::patch;
        message.object = payload.toObject();
    }
    return message;
}

std::optional<SocketMessage> fromType(const QString& type, const QJsonValue& payload) {
    SocketMessage message;
    if (type == u"ontime") {
        if (!payload.isObject())
            return std::nullopt;
        message.kind = SocketMessage::Kind::store;
        message.object = payload.toObject();
    } else if (type == u"ontime-flush") {
        message.kind = SocketMessage::Kind::flush;
    } else if (type.startsWith(keyPrefix) && type.size() > keyPrefix.size()) {
        message.kind = SocketMessage::Kind::key;
        message.key = type.mid(keyPrefix.size());
        // A key sent without a value has none.
        message.value = payload.isUndefined() ? QJsonValue() : payload;
    }
    return message;
}

} // namespace

std::optional<SocketMessage> SocketMessage::decode(const QByteArray& text) {
    const std::optional<QJsonObject> object = parseJsonObject(text);
    if (!object)
        return std::nullopt;
    const QJsonValue payload = object->value(u"payload");
    const QJsonValue tag = object->value(u"tag");
    if (tag.isString())
        return fromTag(tag.toString(), payload);
    const QJsonValue type = object->value(u"type");
    if (type.isString())
        return fromType(type.toString(), payload);
    return std::nullopt;
}
