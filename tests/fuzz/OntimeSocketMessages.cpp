// Messages of an Ontime server's socket, one a line, decoded and merged into the running state
// the way the socket does, then shown the way the card shows it.
#include "FuzzInput.h"

#include "app/OntimeDisplay.h"
#include "ontime/OntimeReading.h"
#include "ontime/SocketMessage.h"
#include "ontime/SocketStore.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray input = fuzz::bytes(data, size);
    // The first byte chooses whether single keys wait for the end of their batch.
    SocketStore store(!input.isEmpty() && (input.front() & 1));
    OntimeSnapshot state;
    state.connected = true;
    for (const QByteArray& line : input.split('\n')) {
        const std::optional<SocketMessage> message = SocketMessage::decode(line);
        if (!message)
            continue;
        const SocketStore::Change change = store.apply(*message);
        if (change.outcome != SocketStore::Change::Outcome::updated)
            continue;
        state.reading = takeOver(state.reading, change.update.data);
        state.remainingMs = state.reading.remainingAt(0);
        for (const SecondsRule rule : {SecondsRule::up, SecondsRule::down}) {
            state.seconds = rule;
            ontimeDisplay(state);
            ontimeNextChange(state);
        }
    }
    return 0;
}
