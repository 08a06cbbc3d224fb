#include "overlay/TimerColors.h"

namespace TimerColors {

QColor orange() {
    return QColor::fromRgbF(1.0f, 0.62f, 0.04f);
}

QColor yellow() {
    return QColor::fromRgbF(1.0f, 0.84f, 0.04f);
}

QColor white(double alpha) {
    return QColor::fromRgbF(1, 1, 1, float(alpha));
}

QColor of(Tone tone) {
    switch (tone) {
    case Tone::running:
        return QColor::fromRgbF(1.0f, 1.0f, 1.0f);
    case Tone::idle:
        return QColor::fromRgbF(0.55f, 0.55f, 0.55f);
    case Tone::paused:
        return orange();
    case Tone::overtime:
        return QColor::fromRgbF(1.0f, 0.27f, 0.23f);
    }
    return {};
}

QColor of(BarTone tone) {
    switch (tone) {
    case BarTone::normal:
        return QColor::fromRgbF(0.3f, 0.8f, 0.45f);
    case BarTone::warning:
        return orange();
    case BarTone::danger:
        return of(Tone::overtime);
    }
    return {};
}

} // namespace TimerColors
