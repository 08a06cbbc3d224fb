#pragma once

#include "overlay/DigitCells.h"

#include <QFont>
#include <QString>

#include <optional>

class QPaintDevice;

// One line of text as it will be drawn: its font, its text (cut with an ellipsis where it
// had to be) and its width.
struct FittedLine {
    enum class Digits { proportional, equalWidth };

    // Lays `text` out at `pixels`, shrunk down to `minimumScale` of that when it is too wide for
    // `available`, and cut with an ellipsis only when even that is not enough.
    static FittedLine fit(const QString& text, const QFont& base, double pixels,
                          double minimumScale, double available, Digits digits,
                          const QPaintDevice* device);

    QFont font;
    QString text;
    // For a line with equal-width digits: its clusters in their cells.
    std::optional<DigitCells> cells;
    double width = 0;
};
