#pragma once

#include <QString>

// The clock text of a remaining time in milliseconds: "mm:ss", or "h:mm:ss" from one hour
// up, with a leading minus sign in overtime. A countdown shows 00:01 until its last
// millisecond; overtime shows -00:01 only after a full second. A value that is not a number
// or whose whole seconds do not fit a signed 64-bit integer has no clock text and reads
// "--:--".
QString formatRemaining(double ms);

// The clock text of a time that counts up, such as the running time since a start: "mm:ss",
// or "h:mm:ss" from one hour up, in whole seconds rounded down, so that a second shows only
// once it is full; the sign is dropped. "--:--" where formatRemaining has no text either.
QString formatElapsed(double ms);

// A time of day in milliseconds since midnight as "hh:mm:ss" on the 24-hour clock, in whole
// seconds rounded down; values beyond a day wrap around. "--:--" for a value that is not a
// number.
QString formatTimeOfDay(double ms);
