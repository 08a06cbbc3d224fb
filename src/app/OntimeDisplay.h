#pragma once

#include "ontime/OntimeReading.h"
#include "ontime/TimeFormat.h"
#include "overlay/TimerDisplay.h"

#include <QString>

#include <optional>

class OntimeModel;

// What the timer window needs of the Ontime client at one moment.
struct OntimeSnapshot {
    bool connected = false;
    QString status;
    std::optional<double> remainingMs;
    // What the server said last.
    OntimeReading reading;
    // The moment of the snapshot on the monotonic clock, from which the values of the other
    // timer types run on since the answer.
    qint64 monotonicMs = 0;
    // How the server's own timer view rounds to whole seconds; the card shows the same second.
    SecondsRule seconds = SecondsRule::up;

    static OntimeSnapshot of(const OntimeModel& model);
};

// The timer window's content for an Ontime source: the event title (or the status while not
// connected), the remaining time with its colour, the messages, and a progress bar that turns
// to warning and danger with the server's phase, or at the event's thresholds (2 and 1 minutes
// when it has none) from a server that sends no phase. The bar measures the elapsed share of
// the duration plus the time added to it. Events of another timer type show what the server's
// own screen shows (OntimeTimerTypes), the second line an aux timer where the message names
// one, and a blackout leaves the card empty.
TimerDisplay ontimeDisplay(const OntimeSnapshot& state);
TimerDisplay ontimeDisplay(const OntimeModel& model);

// In how many milliseconds the card's texts turn over by themselves: a millisecond after the
// remaining time (or the running time, the clock, the aux timer) reaches its next whole
// second, so that either rounding already shows the new one. Nothing while all stand still.
std::optional<qint64> ontimeNextChange(const OntimeSnapshot& state);

// The status line of an Ontime source, and whether it delivers time.
QString ontimeSourceLine(const OntimeModel& model);
bool ontimeSourceOK(const OntimeModel& model);
