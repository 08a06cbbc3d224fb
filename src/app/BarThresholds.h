#pragma once

// Where a timer's progress bar turns to warning and to danger unless the timer says otherwise:
// two minutes and one minute left. An Ontime event without thresholds of its own takes them
// as they are; a Stagetimer run takes a fifth and a tenth of its length, at most these.
namespace BarThresholds {
inline constexpr double warningMs = 120000;
inline constexpr double dangerMs = 60000;
} // namespace BarThresholds
