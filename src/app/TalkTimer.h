#pragma once

#include "overlay/TimerDisplay.h"

#include <QtGlobal>

#include <optional>

// The internal talk timer: it starts with the first slide change of a slide show, freezes
// when the show ends and is reset by the next show. It only keeps two instants; the elapsed
// time is computed from the wall clock on every read, so nothing counts up.
class TalkTimer {
public:
    std::optional<qint64> start() const { return m_start; }
    std::optional<qint64> end() const { return m_end; }

    // A new slide show: back to not started.
    void reset();
    // The first slide change starts the timer; later changes do nothing.
    void slideChanged(qint64 nowMs);
    // The end of the show freezes a running timer at the talk's length.
    void showEnded(qint64 nowMs);

    bool isRunning() const { return m_start && !m_end; }
    // Whole seconds from the start to the end (or to now while running), 0 before the start.
    qint64 elapsedSeconds(qint64 nowMs) const;

    // "hh:mm:ss" without wrapping the hours: 100 hours read 100:00:00.
    static QString format(qint64 seconds);

    // What the timer window shows for the talk timer.
    TimerDisplay display(bool slideShowRunning, qint64 nowMs) const;

private:
    std::optional<qint64> m_start;
    std::optional<qint64> m_end;
};
