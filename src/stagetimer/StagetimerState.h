#pragma once

#include <QString>

#include <optional>

// The state of a room's current timer as the last answers gave it, and the message showing in
// the room. Instants are milliseconds since the Unix epoch on the server's clock.
struct StagetimerState {
    bool running = false;
    // The name of the current timer, empty until it is known.
    QString timerName;
    QString message;
    std::optional<double> finish;
    std::optional<double> pause;
    std::optional<double> startTime;
    // Server clock minus local clock, in milliseconds.
    double clockOffset = 0;

    // Milliseconds left at the local time `nowMs`, negative in overtime: counted down while
    // running, held while paused, the whole run while stopped; none when unknown.
    std::optional<double> remainingMs(qint64 nowMs) const;
};
