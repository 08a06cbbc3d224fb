#include "overlay/OverlayLayout.h"

#include <QTextBoundaryFinder>

#include <algorithm>
#include <cmath>

namespace OverlayLayout {

namespace {

// Space between the top row's three items.
constexpr double topRowSpacing = 6;
// Inset of the content column from the view's left and right edges.
constexpr double columnInset = 4;
// Gap between the rows above and the bar; the rest of the bar block lies below it.
constexpr double barGap = 4;

} // namespace

double captionSize(double height) {
    return std::clamp(0.13 * height, 13.0, 24.0);
}

double topRowHeight(double height) {
    return captionSize(height) + 2 * iconInset;
}

double cornerRadius(double height) {
    return std::min(0.12 * height, 22.0);
}

double messageHeight(double height, bool shown) {
    return shown ? 0.2 * height : 0;
}

double secondaryHeight(double height, bool shown) {
    return shown ? 0.13 * height : 0;
}

double barHeight(double height, bool shown) {
    return shown ? std::max(0.055 * height, 4.0) : 0;
}

double barBlock(double height, bool shown) {
    return shown ? barHeight(height, true) + 10 : 0;
}

double timeAreaHeight(double height, Rows rows) {
    const double area = height - topRowHeight(height) - messageHeight(height, rows.message) -
                        secondaryHeight(height, rows.secondary) - barBlock(height, rows.bar) - 6;
    return std::max(area, 10.0);
}

double timeFontSize(double width, double timeArea, qsizetype characters) {
    const double widthBound = width / std::max(0.62 * double(characters), 3.2);
    const double heightBound = 0.92 * timeArea;
    return std::max(std::min(widthBound, heightBound), 8.0);
}

qsizetype perceivedLength(const QString& text) {
    if (text.isEmpty())
        return 0;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    qsizetype count = 0;
    while (finder.toNextBoundary() != -1)
        ++count;
    return count;
}

Metrics metrics(double width, double height, Rows rows, qsizetype timeCharacters) {
    Metrics m;
    m.width = width;
    m.height = height;
    m.captionSize = captionSize(height);
    m.topRowHeight = topRowHeight(height);
    m.messageHeight = messageHeight(height, rows.message);
    m.secondaryHeight = secondaryHeight(height, rows.secondary);
    m.barHeight = barHeight(height, rows.bar);
    m.barBlock = barBlock(height, rows.bar);
    m.timeAreaHeight = timeAreaHeight(height, rows);
    m.timeFontSize = timeFontSize(width, m.timeAreaHeight, timeCharacters);
    return m;
}

Rect gearBox(const Metrics& m) {
    return {iconInset, iconInset, m.captionSize, m.captionSize};
}

Rect closeBox(const Metrics& m) {
    return {m.width - iconInset - m.captionSize, iconInset, m.captionSize, m.captionSize};
}

Rect captionBox(const Metrics& m) {
    const double left = iconInset + m.captionSize + topRowSpacing;
    const double right = m.width - iconInset - m.captionSize - topRowSpacing;
    return {left, 0, std::max(right - left, 0.0), m.topRowHeight};
}

Rect timeRow(const Metrics& m) {
    return {columnInset, m.topRowHeight, std::max(m.width - 2 * columnInset, 0.0),
            m.timeAreaHeight};
}

Rect messageRow(const Metrics& m) {
    const Rect above = timeRow(m);
    return {above.x, above.bottom(), above.width, m.messageHeight};
}

Rect secondaryRow(const Metrics& m) {
    const Rect above = messageRow(m);
    return {above.x, above.bottom(), above.width, m.secondaryHeight};
}

double barWidth(double width) {
    return std::max(width - 2 * iconInset - 8, 0.0);
}

Rect barTrack(const Metrics& m) {
    const double w = barWidth(m.width);
    return {(m.width - w) / 2, secondaryRow(m).bottom() + barGap, w, m.barHeight};
}

double clampProgress(double progress) {
    if (std::isnan(progress) || progress < 0)
        return 0;
    return std::min(progress, 1.0);
}

double fillWidth(double progress, double trackWidth, double barHeight) {
    const double share = clampProgress(progress) * trackWidth;
    return std::min(std::max(share, barHeight), trackWidth);
}

Zone zoneAt(double x, double t, double width, double height) {
    const bool inGrip = x > width - grip && t > height - grip;
    Zone zone;
    zone.left = x < edge;
    zone.top = t < edge;
    zone.right = x > width - edge || inGrip;
    zone.bottom = t > height - edge || inGrip;
    return zone;
}

std::optional<Button> buttonAt(double x, double t, double width, double height) {
    const double reach = captionSize(height) + 2 * iconInset + 4;
    const double outer = edge / 2;
    if (t >= reach || t < outer)
        return std::nullopt;
    if (x >= outer && x < reach)
        return Button::gearIcon;
    if (x > width - reach && x <= width - outer)
        return Button::closeIcon;
    return std::nullopt;
}

Cursor cursorFor(std::optional<Button> button, Zone zone) {
    if (button)
        return Cursor::pointingHand;
    const bool horizontal = zone.left || zone.right;
    const bool vertical = zone.top || zone.bottom;
    if (horizontal && vertical)
        return zone.left == zone.top ? Cursor::resizeDiagonalDown : Cursor::resizeDiagonalUp;
    if (horizontal)
        return Cursor::resizeLeftRight;
    if (vertical)
        return Cursor::resizeUpDown;
    return Cursor::openHand;
}

Rect resizedFrame(const Rect& start, Zone zone, double dx, double dy, Size minimum) {
    Rect frame = start;
    if (zone.right)
        frame.width = std::max(minimum.width, start.width + dx);
    if (zone.left) {
        frame.width = std::max(minimum.width, start.width - dx);
        frame.x = start.x + start.width - frame.width;
    }
    // The top edge follows the pointer while the bottom edge stays put.
    if (zone.top) {
        frame.height = std::max(minimum.height, start.height - dy);
        frame.y = start.y + start.height - frame.height;
    }
    if (zone.bottom)
        frame.height = std::max(minimum.height, start.height + dy);
    return frame;
}

} // namespace OverlayLayout
