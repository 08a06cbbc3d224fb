#pragma once

#include "overlay/CardLayer.h"
#include "overlay/OverlayLayout.h"
#include "overlay/TimerDisplay.h"

#include <QRegion>
#include <QString>

// Everything a paint of the card depends on, as far as it shows: the bar's fill at the device
// pixel, the blink phase only for a blinking message. Held against the last painted one, it
// tells which rows a change has to repaint.
struct DrawnCard {
    // The size, the settings and the rows, which also decide the card's static layer.
    CardLayer::Look layer;
    qsizetype timeCharacters = 0;
    QString caption;
    QString time;
    Tone tone = Tone::idle;
    QString message;
    bool messageDim = false;
    QString secondary;
    int fillPixels = 0;
    BarTone barTone = BarTone::normal;

    // Every row in the same place: a change only repaints the rows whose content differs.
    bool sameLayout(const DrawnCard& other) const;
    // The rows whose content differs from `other`, both laid out by `m`: whole rows, with room
    // above and below for glyphs that reach beyond their row.
    QRegion changedRows(const DrawnCard& other, const OverlayLayout::Metrics& m) const;

    friend bool operator==(const DrawnCard&, const DrawnCard&) = default;
};
