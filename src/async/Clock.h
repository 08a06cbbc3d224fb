#pragma once

#include <QtGlobal>

namespace async {

// The wall clock that remaining times and the talk timer read. Tests install their own clock
// and move time instead of sleeping.
class Clock {
public:
    virtual ~Clock() = default;

    // Milliseconds since 1970-01-01 00:00:00 UTC. Only for comparing with another clock
    // (a server's): it jumps when the system time is set.
    virtual qint64 nowMs() const = 0;
    // Milliseconds from an arbitrary start that never jumps: for every interval.
    virtual qint64 monotonicMs() const = 0;

    static const Clock& instance();
    // Installs `clock` for the whole process (nullptr restores the system clock). The caller
    // keeps ownership.
    static void setInstance(const Clock* clock);
};

class SystemClock final : public Clock {
public:
    qint64 nowMs() const override;
    qint64 monotonicMs() const override;
};

} // namespace async
