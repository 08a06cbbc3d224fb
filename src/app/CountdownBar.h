#pragma once

#include "overlay/TimerDisplay.h"

// The bar of a count-down whose whole length is known: filled by the share that has run, and
// turning to warning in the last fifth and to danger in the last tenth, but never earlier than
// two minutes and one minute before the end. A long slot thus warns at the same moments as
// Ontime's defaults, and a slot of a few minutes still passes through all three colours
// instead of starting in warning or danger.
struct CountdownBar {
    double progress = 0;
    BarTone tone = BarTone::normal;

    // `totalMs` must be above 0; the fill is clamped to 0…1.
    static CountdownBar of(double remainingMs, double totalMs);
};
