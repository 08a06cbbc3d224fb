#pragma once

#include <QPainterPath>
#include <QSizeF>

class QPainter;

// The card's outline: a rectangle whose corners ease into their curve instead of turning at a
// fixed radius. Plain geometry at a given size, with no widget behind it: the card fills it, and
// a window system that cannot blend the card's soft edge cuts the window to it.
namespace CardShape {

// The outline at `size`, origin at the top-left.
QPainterPath path(QSizeF size);
// How far each corner's curve reaches along the edges at `size`; beyond it they run straight.
double cornerLength(QSizeF size);
// A thin light line along the card's edge, for windows without an alpha channel, where the
// card's soft edge would vanish on a black slide. It runs inside the outline, so that a window
// cut to the outline keeps the whole line.
void drawOutline(QPainter& painter, QSizeF size);

} // namespace CardShape
