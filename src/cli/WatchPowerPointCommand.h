#pragma once

#include <QStringList>

// kalvane watch powerpoint [--ticks N]: runs the real watcher and prints one JSON line per
// event (start, change, end, permission).
int runWatchPowerPoint(const QStringList& arguments);

// kalvane watch presentation [--ticks N]: the same watcher, told as events of whichever
// program presents; one JSON line per start, change and end, with the position null where
// the program does not tell the slide.
int runWatchPresentation(const QStringList& arguments);
