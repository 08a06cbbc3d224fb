#pragma once

#include "ontime/OntimeReading.h"
#include "ontime/RuntimeUpdate.h"
#include "ontime/ServerClock.h"

#include <QtGlobal>

#include <array>

struct LegacyPoll;

// Puts what a server says on one time base. A reading runs everything on from the moment its
// timer's values came; over the socket the server's clock and its aux timers come in messages
// of their own, and polled values are up to a second old when they arrive. This keeps when each
// came and the server's clock, and gives each update's reading the right base.
class ReadingTimeline {
public:
    // The reading after `update`. Polled values are counted on the server's clock towards the
    // end it names; pushed ones are fresh, so counting from their arrival is exact.
    OntimeReading next(const OntimeReading& before, const RuntimeUpdate& update, bool polled);
    // The reading after an answer of a server without runtime data, which names no clock.
    static OntimeReading next(const OntimeReading& before, const LegacyPoll& poll,
                              qint64 receivedMonotonic);
    // Forgets the server's clock and the arrivals: for the next server.
    void reset() { *this = ReadingTimeline(); }

private:
    void alignToTimer(OntimeReading& reading, const RuntimeData& data) const;

    ServerClock m_serverClock;
    // When the server's clock and its aux timers last came, on the monotonic clock.
    qint64 m_clockArrival = 0;
    std::array<qint64, 3> m_auxArrival{};
};
