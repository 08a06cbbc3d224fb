#pragma once

#include <QtGlobal>

#include <deque>
#include <optional>

// Where an Ontime server's clock (milliseconds since its midnight) stands against our
// monotonic clock, learnt from the `clock` values of its answers. The server refreshes that
// value about once a second, so a value we receive is at most that old and never younger than
// the moment we receive it: every answer is a lower bound of the server's time, and the
// freshest of the recent answers, the one that gives the highest bound, is the best estimate.
// An answer that cannot be that old without contradicting an earlier one means the server's
// clock was set back (or passed midnight): the earlier answers are forgotten.
class ServerClock {
public:
    // How long the server may take to refresh its clock value, and how long answers count.
    static constexpr qint64 maxAgeMs = 1100;
    static constexpr qint64 windowMs = 60'000;
    static constexpr double dayMs = 86'400'000.0;

    // A `clock` value received at `monotonicMs`.
    void add(double clockMs, qint64 monotonicMs);
    void reset() { m_samples.clear(); }

    // The server's clock minus ours, in milliseconds (modulo a day), if any answer came.
    std::optional<double> offset() const;

private:
    struct Sample {
        qint64 received;
        double offset;
    };
    std::deque<Sample> m_samples;
};

// `ms` moved by whole days into the day around zero: above minus half a day, up to half a day.
double aroundZero(double ms);
