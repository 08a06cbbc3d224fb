#include "ontime/TimeFormat.h"

#include <cmath>

QString formatRemaining(double ms) {
    return formatRemaining(ms, SecondsRule::up);
}

QString formatRemaining(double ms, SecondsRule rule) {
    if (!std::isfinite(ms))
        return QStringLiteral("--:--");
    const bool negative = ms < 0;
    const double whole = rule == SecondsRule::up ? std::ceil(ms / 1000.0) : std::floor(ms / 1000.0);
    const double seconds = std::fabs(whole);
    // 2^63 is the first double beyond the signed 64-bit range.
    if (seconds >= 9223372036854775808.0)
        return QStringLiteral("--:--");
    const qint64 s = static_cast<qint64>(seconds);
    QString text;
    if (s > 3599)
        text = QString::asprintf("%lld:%02lld:%02lld", s / 3600, (s / 60) % 60, s % 60);
    else
        text = QString::asprintf("%02lld:%02lld", s / 60, s % 60);
    return negative ? u'-' + text : text;
}

QString formatElapsed(double ms) {
    // A whole number of seconds reads the same under every rounding of the count-down.
    return formatRemaining(std::floor(std::abs(ms) / 1000.0) * 1000.0);
}

QString formatTimeOfDay(double ms) {
    if (!std::isfinite(ms))
        return QStringLiteral("--:--");
    constexpr double day = 86400.0;
    double seconds = std::fmod(std::floor(ms / 1000.0), day);
    if (seconds < 0)
        seconds += day;
    const int s = static_cast<int>(seconds);
    return QString::asprintf("%02d:%02d:%02d", s / 3600, (s / 60) % 60, s % 60);
}

double untilNextSecond(double ms, TimeDirection direction, SecondsRule rule) {
    if (!std::isfinite(ms))
        return std::nan("");
    constexpr double second = 1000;
    const bool roundsUp = rule == SecondsRule::up;
    if (direction == TimeDirection::up) {
        if (roundsUp)
            return std::ceil(ms / second) * second - ms + 1;
        return (std::floor(ms / second) + 1) * second - ms;
    }
    if (roundsUp)
        return ms == 0 ? 1 : ms - (std::ceil(ms / second) - 1) * second;
    return ms - std::floor(ms / second) * second + 1;
}
