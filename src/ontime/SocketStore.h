#pragma once

#include "ontime/RuntimeUpdate.h"
#include "ontime/SocketMessage.h"

#include <QJsonObject>

#include <optional>

// The running state of an Ontime server as its socket tells it, one connection long: the
// whole state on connect, then the changed keys, each with its whole new value, merged over
// what came before. Only the keys the client reads are kept, so that a server cannot grow it
// by inventing keys. A change that would leave a state the client cannot read is refused and
// the state stays as it was.
class SocketStore {
public:
    // What a message did to the state.
    struct Change {
        enum class Outcome {
            // Nothing to take over: a message about something else, or keys still waiting
            // for the end of their batch.
            none,
            // The state changed.
            updated,
            // The message would have spoilt the state; it was not taken.
            refused,
        };
        Outcome outcome = Outcome::none;
        // For an update: the whole state, and whether the message carried the timer and the
        // server clock. The time it arrived is the caller's to set.
        RuntimeUpdate update;
    };

    // `batches`: keep single keys until the batch's flush. A server that sends a flush is
    // taken to batch from then on, whatever its version said.
    explicit SocketStore(bool batches = false)
        : m_batches(batches) {}

    Change apply(const SocketMessage& message);
    const QJsonObject& object() const { return m_store; }

private:
    Change merge(const QJsonObject& keys, bool replace);

    QJsonObject m_store;
    QJsonObject m_pending;
    bool m_batches;
};
