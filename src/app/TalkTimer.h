#pragma once

#include "overlay/TimerDisplay.h"

#include <QtGlobal>

#include <optional>

// The internal talk timer: it starts with the first slide change of a slide show, freezes
// when the show ends and is reset by the next show. It only keeps two instants; the elapsed
// time is computed from the clock on every read, so nothing counts up. It shows the talk time
// counting up, or, when the speaker has a slot, the time left of it counting down.
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

    // What the timer window shows for the talk timer: the talk time, or with a talk length
    // above 0 minutes the time left of it, with the same time text, colours and bar as an
    // Ontime count-down, so that a speaker reads the card alike with or without a timer team.
    TimerDisplay display(bool slideShowRunning, qint64 nowMs, qint64 talkLengthMinutes = 0) const;

private:
    qint64 elapsedMs(qint64 nowMs) const;
    TimerDisplay stopwatchDisplay(bool slideShowRunning, qint64 nowMs) const;
    TimerDisplay countdownDisplay(bool slideShowRunning, qint64 nowMs, qint64 minutes) const;

    std::optional<qint64> m_start;
    std::optional<qint64> m_end;
};
