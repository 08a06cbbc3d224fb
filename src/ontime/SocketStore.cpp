#include "ontime/SocketStore.h"

#include <algorithm>
#include <array>

namespace {

// The keys of the running state that the reading takes anything from.
constexpr std::array<QStringView, 7> readKeys{u"clock",     u"timer",     u"eventNow", u"message",
                                              u"auxtimer1", u"auxtimer2", u"auxtimer3"};

bool isReadKey(QStringView key) {
    return std::find(readKeys.begin(), readKeys.end(), key) != readKeys.end();
}

QJsonObject readKeysOf(const QJsonObject& object) {
    QJsonObject kept;
    for (const QStringView key : readKeys) {
        const auto value = object.constFind(key);
        if (value != object.constEnd())
            kept.insert(key, *value);
    }
    return kept;
}

} // namespace

SocketStore::Change SocketStore::apply(const SocketMessage& message) {
    switch (message.kind) {
    case SocketMessage::Kind::store:
        m_pending = {};
        return merge(readKeysOf(message.object), true);
    case SocketMessage::Kind::patch:
        return merge(readKeysOf(message.object), false);
    case SocketMessage::Kind::key:
        if (!isReadKey(message.key))
            return {};
        if (m_batches) {
            m_pending.insert(message.key, message.value);
            return {};
        }
        return merge(QJsonObject{{message.key, message.value}}, false);
    case SocketMessage::Kind::flush: {
        m_batches = true;
        const QJsonObject batch = m_pending;
        m_pending = {};
        return merge(batch, false);
    }
    case SocketMessage::Kind::other:
        break;
    }
    return {};
}

SocketStore::Change SocketStore::merge(const QJsonObject& keys, bool replace) {
    Change change;
    if (keys.isEmpty() && !replace)
        return change;
    QJsonObject next = replace ? QJsonObject() : m_store;
    for (auto key = keys.constBegin(); key != keys.constEnd(); ++key)
        next.insert(key.key(), key.value());
    std::optional<RuntimeData> data = RuntimeData::fromObject(next);
    if (!data) {
        change.outcome = Change::Outcome::refused;
        return change;
    }
    m_store = next;
    change.outcome = Change::Outcome::updated;
    change.update.data = std::move(*data);
    change.update.timer = keys.contains(u"timer");
    change.update.clock = keys.contains(u"clock");
    change.update.aux = {keys.contains(u"auxtimer1"), keys.contains(u"auxtimer2"),
                         keys.contains(u"auxtimer3")};
    return change;
}
