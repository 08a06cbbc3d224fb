#pragma once

#include <QString>

// The clock text of a remaining time in milliseconds: "mm:ss", or "h:mm:ss" from one hour
// up, with a leading minus sign in overtime. A countdown shows 00:01 until its last
// millisecond; overtime shows -00:01 only after a full second. A value that is not a number
// or whose whole seconds do not fit a signed 64-bit integer has no clock text and reads
// "--:--".
QString formatRemaining(double ms);
