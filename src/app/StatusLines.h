#pragma once

#include <QString>

// The status lines that the controller refreshes on every tick.
namespace StatusLines {

// The source line of the internal talk timer; with a talk length above 0 minutes it names
// the slot it counts down.
QString internalTimer(qint64 talkLengthMinutes = 0);
// The internal timer's line while a network search runs.
QString internalTimerSearching();
// The source line of a Stagetimer room, from its client's status text.
QString stagetimer(const QString& status);

} // namespace StatusLines
