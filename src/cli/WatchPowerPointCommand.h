#pragma once

#include <QStringList>

// kalvane watch powerpoint [--ticks N]: runs the real watcher and prints one JSON line per
// event (start, change, end, permission).
int runWatchPowerPoint(const QStringList& arguments);
