#pragma once

#include <QString>

// The status lines that the controller refreshes on every tick.
namespace StatusLines {

// The source line of the internal talk timer.
QString internalTimer();
// The internal timer's line while a network search runs.
QString internalTimerSearching();
// The source line of a Stagetimer room, from its client's status text.
QString stagetimer(const QString& status);

} // namespace StatusLines
