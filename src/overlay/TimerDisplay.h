#pragma once

#include <QString>

#include <optional>

// Colour state of the time text.
enum class Tone { running, idle, paused, overtime };

// Colour state of the progress bar's fill.
enum class BarTone { normal, warning, danger };

// What the timer window shows at one moment. The producer formats every text; the view only
// lays them out and colours them.
struct TimerDisplay {
    QString caption;
    QString time;
    Tone tone = Tone::idle;
    QString message;
    bool blink = false;
    QString secondary;
    // Fill fraction of the bar; absent hides the bar. The view clamps values outside 0…1.
    std::optional<double> progress;
    BarTone barTone = BarTone::normal;
    // The timer's screens are dark: the card keeps only its empty frame, whatever the fields
    // above say, until this ends.
    bool blackout = false;

    // What a freshly started program shows: a grey "--:--" and nothing else.
    static TimerDisplay initial();

    // Member-wise; an absent progress never equals a present one, not even 0.
    friend bool operator==(const TimerDisplay&, const TimerDisplay&) = default;
};

QString toneName(Tone tone);
QString barToneName(BarTone tone);
