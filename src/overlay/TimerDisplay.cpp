#include "overlay/TimerDisplay.h"

TimerDisplay TimerDisplay::initial() {
    return TimerDisplay{
        QString(),    QStringLiteral("--:--"), Tone::idle, QString(), false, QString(),
        std::nullopt, BarTone::normal,         false};
}

QString toneName(Tone tone) {
    switch (tone) {
    case Tone::running:
        return QStringLiteral("running");
    case Tone::idle:
        return QStringLiteral("idle");
    case Tone::paused:
        return QStringLiteral("paused");
    case Tone::overtime:
        return QStringLiteral("overtime");
    }
    return {};
}

QString barToneName(BarTone tone) {
    switch (tone) {
    case BarTone::normal:
        return QStringLiteral("normal");
    case BarTone::warning:
        return QStringLiteral("warning");
    case BarTone::danger:
        return QStringLiteral("danger");
    }
    return {};
}
