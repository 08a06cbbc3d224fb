#pragma once

#include <QString>

// The status lines that the controller refreshes on every tick.
namespace StatusLines {

// The line on PowerPoint; the first matching state wins: no permission, a running slide
// show on its slide, PowerPoint open without a show, PowerPoint not open.
QString powerPoint(bool permissionDenied, bool slideShowRunning, int position,
                   bool powerPointRunning);

// The source line of the internal talk timer.
QString internalTimer();
// The internal timer's line while a network search runs.
QString internalTimerSearching();
// The source line of a Stagetimer room, from its client's status text.
QString stagetimer(const QString& status);

} // namespace StatusLines
