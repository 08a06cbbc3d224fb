#pragma once

#include "ontime/OntimeRecords.h"

#include <QtGlobal>

#include <array>

// A server's running state as it stands after an answer or a message, and what of it is new.
// Values of the timer and of the server clock describe the moment they were sent; a message
// that does not carry them leaves them as an earlier one described them.
struct RuntimeUpdate {
    RuntimeData data;
    bool timer = true;
    bool clock = true;
    // The aux timers "auxtimer1" to "auxtimer3".
    std::array<bool, 3> aux{true, true, true};
    // When it arrived, on the monotonic clock.
    qint64 receivedMonotonic = 0;
};
