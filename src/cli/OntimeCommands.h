#pragma once

#include <QStringList>

// kalvane probe HOST [--port N]: asks one host whether it runs Ontime; prints the server's
// label (exit 0) or the "no Ontime" status text (exit 1).
int runProbe(const QStringList& arguments);

// kalvane scan [--port N] [--stagetimer-port N] [--interface NAME=ADDR/BITS]…: runs the
// network scan with progress on standard error, then prints the report and what it found.
int runScan(const QStringList& arguments);

// kalvane watch ontime HOST [--port N] [--ticks N] [--events] [--poll]: connects the Ontime
// client as a typed host does and prints its state, its link ("socket" or "poll") and the timer
// window's content as one JSON line per tick, or, with --events, one each time that content
// changes, stamped with the monotonic time "t" in milliseconds. --poll keeps to the poll.
int runWatchOntime(const QStringList& arguments);
