#pragma once

#include <QRectF>
#include <QString>

#include <optional>

// The geometry of the timer window, shared by its painter and its mouse handling. Pure
// arithmetic on plain numbers, so that it is tested without a window. Every length is in
// points, with the origin at the top-left and y growing downwards.
namespace OverlayLayout {

struct Size {
    double width = 0;
    double height = 0;
    friend bool operator==(const Size&, const Size&) = default;
};

struct Rect {
    double x = 0;
    double y = 0;
    double width = 0;
    double height = 0;
    double right() const { return x + width; }
    double bottom() const { return y + height; }
    friend bool operator==(const Rect&, const Rect&) = default;
};

// The same rectangle in Qt's type, for painting.
inline QRectF toQRectF(const Rect& r) {
    return QRectF(r.x, r.y, r.width, r.height);
}

// Inner margin of the top row; also part of the bar width.
inline constexpr double iconInset = 7;
// Width of the resize band along each window edge.
inline constexpr double edge = 7;
// Side of the square resize grip in the bottom-right corner.
inline constexpr double grip = 16;
// The smallest window.
inline constexpr Size minSize{150, 70};
// The window's size when created or reset, and its distance from the screen's top-right.
inline constexpr Size defaultSize{380, 170};
inline constexpr double defaultMargin = 24;

// Which optional rows a render shows.
struct Rows {
    bool message = false;
    bool secondary = false;
    bool bar = false;
    friend bool operator==(const Rows&, const Rows&) = default;
};

// The sizes of one render, all derived from the view's width and height.
struct Metrics {
    double width = 0;
    double height = 0;
    double captionSize = 0;
    double topRowHeight = 0;
    double messageHeight = 0;
    double secondaryHeight = 0;
    double barHeight = 0;
    double barBlock = 0;
    double timeAreaHeight = 0;
    double timeFontSize = 0;
};

// Size of the caption and of the icon boxes: 13 % of the height, kept within 13…24.
double captionSize(double height);
double topRowHeight(double height);
// 12 % of the height, at most 22.
double cornerRadius(double height);
double messageHeight(double height, bool shown);
double secondaryHeight(double height, bool shown);
double barHeight(double height, bool shown);
double barBlock(double height, bool shown);
double timeAreaHeight(double height, Rows rows);
// Bound by the width for long texts, by the time area's height for short ones.
double timeFontSize(double width, double timeArea, qsizetype characters);
// Characters as a reader counts them (grapheme clusters), not UTF-16 units.
qsizetype perceivedLength(const QString& text);

Metrics metrics(double width, double height, Rows rows, qsizetype timeCharacters);

// The boxes of the top row: the icons' s × s boxes and the caption's space between them.
Rect gearBox(const Metrics& m);
Rect closeBox(const Metrics& m);
Rect captionBox(const Metrics& m);
// The content column's rows; an absent row has zero height.
Rect timeRow(const Metrics& m);
Rect messageRow(const Metrics& m);
Rect secondaryRow(const Metrics& m);
// The bar's track, centred under the rows above it, 4 points below them.
Rect barTrack(const Metrics& m);
double barWidth(double width);

// The fill fraction as drawn: not a number and anything below 0 count as 0, 1 or more as 1.
double clampProgress(double progress);
// The fill's width: its share of the track, but never narrower than the bar is high, so that
// an empty bar still shows a round dot.
double fillWidth(double progress, double trackWidth, double barHeight);

// Which window edges a point lies on; a corner sets two, none is the interior.
struct Zone {
    bool left = false;
    bool right = false;
    bool top = false;
    bool bottom = false;
    bool any() const { return left || right || top || bottom; }
    friend bool operator==(const Zone&, const Zone&) = default;
};

enum class Button { gearIcon, closeIcon };

// The corners take the diagonal that runs through them: top-left and bottom-right resize
// along "\\", top-right and bottom-left along "/".
enum class Cursor {
    pointingHand,
    resizeDiagonalDown,
    resizeDiagonalUp,
    resizeLeftRight,
    resizeUpDown,
    openHand
};

// For a point x from the left and t from the top of a view of the given size. The 16 × 16
// square of the grip counts as the bottom-right corner.
Zone zoneAt(double x, double t, double width, double height);
// The icon under a point; the hit squares stop 3.5 points short of the outer edges, where
// the edge bands apply.
std::optional<Button> buttonAt(double x, double t, double width, double height);
Cursor cursorFor(std::optional<Button> button, Zone zone);

// The window frame while an edge is dragged: computed from the frame and the pointer at the
// start of the drag (dx, dy: the pointer's travel since then, y growing downwards), so the
// edge follows the pointer exactly while the opposite edge stays put, and the size never
// falls below `minimum`.
Rect resizedFrame(const Rect& start, Zone zone, double dx, double dy, Size minimum = minSize);

} // namespace OverlayLayout
