#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QString>

#include <optional>

// One text message of an Ontime server's socket, by what it means to the client. Generation 4
// wraps every message as {"tag", "payload"}, generation 3 as {"type", "payload"}; anything else
// is no message of Ontime's.
struct SocketMessage {
    enum class Kind {
        // The whole running state (generation 3 sends it on connect).
        store,
        // Some top-level keys of the running state, each with its whole new value
        // (generation 4 sends the whole state this way on connect, then the changes).
        patch,
        // One key of the running state with its new value (generation 3).
        key,
        // The end of a batch of keys (generation 3.11 to 3.16).
        flush,
        // Anything else a server sends: its log, its clients, answers to requests.
        other,
    };

    Kind kind = Kind::other;
    // The payload of a store or a patch.
    QJsonObject object;
    // The key and the value of a key message.
    QString key;
    QJsonValue value;

    static std::optional<SocketMessage> decode(const QByteArray& text);
};
