#pragma once

#include <QPainterPath>

class QColor;
class QPainter;
class QRectF;

// The icons of the card's top row, as filled outlines that stay sharp at any size.
namespace CardIcons {

// A gear with a round hole, in a box of side 2 centred on the origin.
const QPainterPath& gear();
// A circle with a cross cut out of it, in a box of side 2 centred on the origin.
const QPainterPath& close();
// Fills `icon` at a side of `size`, centred in `box`.
void draw(QPainter& painter, const QPainterPath& icon, const QRectF& box, double size,
          const QColor& color);

} // namespace CardIcons
