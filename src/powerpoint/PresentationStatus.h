#pragma once

#include <QString>

class PowerPointWatcher;

// The status line on the presentation program, as the menu and the settings window show it.
namespace PresentationStatus {

struct State {
    bool permissionDenied = false;
    bool slideShowRunning = false;
    // The program presenting or open; empty when none is open.
    QString program;
    bool positionKnown = true;
    int position = 0;
    // Whether programs other than PowerPoint are watched (Linux), so that the line for
    // "nothing open" names no single program.
    bool watchesOtherPrograms = false;
};

// The first matching state wins: no permission; a running show on its slide (or, where the
// program does not tell the slide, without a number); a program open without a show; none
// open. PowerPoint keeps its own texts; other programs are named in the texts.
QString line(const State& state);

// The line for what `watcher` reports now; `watchesOtherPrograms` as in State.
QString line(const PowerPointWatcher& watcher, bool watchesOtherPrograms);

} // namespace PresentationStatus
