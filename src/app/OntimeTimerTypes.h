#pragma once

#include "ontime/OntimeReading.h"
#include "ontime/TimeFormat.h"
#include "overlay/TimerDisplay.h"

#include <QString>
#include <QStringView>

#include <optional>

// What the card shows of an Ontime event that is not a plain count-down, as the server's own
// timer screen shows it: a count-up its running time, a clock event the server's time of day,
// an event without a timer no time at all; and an aux timer on the second line. Pure functions
// of a reading and of the local time passed since its answer (`sinceMs`), so that whatever
// refreshes the card can ask for the texts at any moment and for when they next change.
namespace OntimeTimerTypes {

// The running values `sinceMs` after the answer: the running time goes on while the timer
// runs, the server's clock always, an aux timer while it is started, up or down.
std::optional<double> elapsedAfter(const OntimeReading& reading, double sinceMs);
std::optional<double> clockAfter(const OntimeReading& reading, double sinceMs);
std::optional<double> auxAfter(const OntimeAuxReading& aux, double sinceMs);

// The time row of a count-up, clock or none event; absent for a count-down, whose row is its
// remaining time. `remainingMs` is the count-down's all the same, which decides the overtime
// tone of an event that counts to its end.
struct TimeRow {
    QString text;
    Tone tone = Tone::idle;
};
std::optional<TimeRow> timeRow(const OntimeReading& reading, std::optional<double> remainingMs,
                               double sinceMs);

// The second line when the message names an aux timer, written like a count-down as the
// server's screen writes it, its seconds rounded by `rule`; absent when the message names none.
std::optional<QString> auxLine(const OntimeReading& reading, double sinceMs, SecondsRule rule);

// The bar's tone for the server's phase of the timer; absent for no phase or one we do not
// know. A phase that is not running yet ("none", "pending") leaves the bar in its normal tone.
std::optional<BarTone> barToneOfPhase(QStringView phase);

// The clock event and the event without a timer have no bar.
bool hasBar(OntimeTimerType type);

// Milliseconds from `sinceMs` until one of the texts above changes next: the count-up's or
// the clock's digits, or the aux timer's (rounded by `rule`); absent while none of them runs.
std::optional<double> msUntilNextChange(const OntimeReading& reading, double sinceMs,
                                        SecondsRule rule);

} // namespace OntimeTimerTypes
