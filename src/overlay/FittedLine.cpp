#include "overlay/FittedLine.h"

#include <QFontMetricsF>
#include <QPaintDevice>

#include <algorithm>

namespace {

// Text widths grow almost but not exactly in proportion to the font size; a shrunk text may
// come out a hair wider than the space it was fitted to.
constexpr double fitTolerance = 0.5;

double fitScale(double available, double natural) {
    return 0.998 * available / natural;
}

// A font of `base`'s family and weight whose em is `pixels` logical pixels on `device`.
// QFont only takes whole pixel sizes; a point size converted with the device's resolution
// keeps the fraction, so the text grows smoothly while the window is resized.
QFont sized(QFont font, double pixels, const QPaintDevice* device) {
    const int dpi = device ? device->logicalDpiY() : 96;
    font.setPointSizeF(std::max(pixels, 0.5) * 72.0 / (dpi > 0 ? dpi : 96));
    return font;
}

} // namespace

FittedLine FittedLine::fit(const QString& text, const QFont& base, double pixels,
                           double minimumScale, double available, Digits digits,
                           const QPaintDevice* device) {
    const bool equalDigits = digits == Digits::equalWidth;
    const QStringList clusters = equalDigits ? DigitCells::clustersOf(text) : QStringList();
    FittedLine line;
    line.text = text;
    const auto measure = [&](const QFontMetricsF& metrics, const QStringList& shown) {
        if (equalDigits) {
            line.cells = DigitCells(shown, metrics);
            line.width = line.cells->width();
        } else {
            line.width = metrics.horizontalAdvance(line.text);
        }
    };
    line.font = sized(base, pixels, device);
    QFontMetricsF metrics(line.font, device);
    measure(metrics, clusters);
    if (line.width <= available)
        return line;
    const double scale = std::max(minimumScale, fitScale(available, line.width));
    line.font = sized(base, pixels * scale, device);
    metrics = QFontMetricsF(line.font, device);
    measure(metrics, clusters);
    if (line.width <= available + fitTolerance)
        return line;
    if (equalDigits) {
        QStringList kept = clusters;
        while (line.width > available + fitTolerance && !kept.isEmpty()) {
            kept.removeLast();
            measure(metrics, kept + QStringList{QStringLiteral("…")});
        }
        line.text = line.cells->clusters().join(QString());
    } else {
        line.text = metrics.elidedText(text, Qt::ElideRight, available);
        measure(metrics, {});
    }
    return line;
}
