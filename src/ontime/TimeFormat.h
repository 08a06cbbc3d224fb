#pragma once

#include <QString>

// How remaining milliseconds become whole seconds on a count-down: rounded up, so that 00:01
// shows until the last millisecond and overtime starts at -00:00, or rounded down, so that the
// last second shows 00:00 and overtime starts at -00:01. The sign always follows the
// milliseconds.
enum class SecondsRule { up, down };

// The clock text of a remaining time in milliseconds: "mm:ss", or "h:mm:ss" from one hour
// up, with a leading minus sign in overtime. A countdown shows 00:01 until its last
// millisecond; overtime shows -00:01 only after a full second. A value that is not a number
// or whose whole seconds do not fit a signed 64-bit integer has no clock text and reads
// "--:--".
QString formatRemaining(double ms);
// The same with the whole seconds rounded by `rule`.
QString formatRemaining(double ms, SecondsRule rule);

// The clock text of a time that counts up, such as the running time since a start: "mm:ss",
// or "h:mm:ss" from one hour up, in whole seconds rounded down, so that a second shows only
// once it is full; the sign is dropped. "--:--" where formatRemaining has no text either.
QString formatElapsed(double ms);

// A time of day in milliseconds since midnight as "hh:mm:ss" on the 24-hour clock, in whole
// seconds rounded down; values beyond a day wrap around. "--:--" for a value that is not a
// number.
QString formatTimeOfDay(double ms);

enum class TimeDirection { down, up };

// Milliseconds until a time that runs `direction` from `ms` leaves the whole second its text
// shows, its seconds rounded by `rule`. Rounded up, a second holds its upper end (59.001 to
// 60 s read 01:00); rounded down, its lower end. Where the second ends on its own boundary,
// one millisecond more is added, so that whoever waits this long finds the new text. Zero on
// a count-down rounded up is its last "00:00": the next millisecond is overtime. Not a number
// for a time that is none.
double untilNextSecond(double ms, TimeDirection direction, SecondsRule rule);
