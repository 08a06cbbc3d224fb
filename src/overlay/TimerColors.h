#pragma once

#include "overlay/TimerDisplay.h"

#include <QColor>

// The colours of the timer window's states.
namespace TimerColors {

QColor of(Tone tone);
QColor of(BarTone tone);
// The system's named orange and yellow as they look on a dark background.
QColor orange();
QColor yellow();
// White at `alpha`: the card's icons, lines and quieter texts.
QColor white(double alpha);

} // namespace TimerColors
