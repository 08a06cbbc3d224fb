#pragma once

#include <QString>

// Facts about PowerPoint that the watcher relies on: its bundle identifier, the query script,
// the two error numbers with a meaning, and how an answer is read.
namespace PowerPoint {

inline const QString bundleIdentifier = QStringLiteral("com.microsoft.Powerpoint");

// The system refused to send the Apple event: the user has not allowed us to control it.
inline constexpr int errorNotPermitted = -1743;
// The application is not running (it quit between the check and the query).
inline constexpr int errorNotRunning = -600;
// The query ran out of time.
inline constexpr int errorTimedOut = -1712;

// Seconds the query waits for PowerPoint to answer its Apple event.
inline constexpr int queryTimeoutSeconds = 2;

// The query: -1 without a slide-show window, else the current show position, as text; fails
// with errorNotRunning, without launching it, when PowerPoint does not run.
QString scriptSource();

// A position from the script's answer: an optional sign followed by decimal digits and
// nothing else, within the int range; anything else, the empty text included, is -1.
int parsePosition(QStringView answer);

} // namespace PowerPoint
