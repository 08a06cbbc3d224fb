#pragma once

#include <QStringList>

// kalvane watch stagetimer --room R --key K [--server S] [--ticks N]: connects to the room as
// the app does, on a temporary settings store, and prints the timer window's content as one
// JSON line every tick.
int runWatchStagetimer(const QStringList& arguments);
