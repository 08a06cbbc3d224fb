#include "overlay/CardShape.h"

#include "overlay/OverlayLayout.h"
#include "overlay/TimerColors.h"

#include <QPainter>
#include <QRectF>

#include <algorithm>

namespace CardShape {

namespace {

// Apple's continuous corner as it is commonly reverse-engineered: the curve leaves the
// straight edge 1.53 radii before the corner, so the curvature eases in instead of jumping.
// Each step is in radii from the corner: along the edge it comes from, into the corner.
struct CornerStep {
    double a, b;
};
constexpr double cornerReach = 1.52866483;
constexpr CornerStep cornerCurve1[3] = {{1.08849323, 0}, {0.86840689, 0}, {0.66993427, 0.06549600}};
constexpr CornerStep cornerLine1 = {0.63149399, 0.07491100};
constexpr CornerStep cornerCurve2[3] = {
    {0.37282392, 0.16905899}, {0.16905899, 0.37282392}, {0.07491100, 0.63149399}};
constexpr CornerStep cornerLine2 = {0.06549600, 0.66993427};
constexpr CornerStep cornerCurve3[3] = {{0, 0.86840689}, {0, 1.08849323}, {0, cornerReach}};

QPainterPath continuousRoundedRect(const QRectF& rect, double radius) {
    QPainterPath path;
    const double r =
        std::clamp(radius, 0.0, std::min(rect.width(), rect.height()) / 2 / cornerReach);
    if (r <= 0) {
        path.addRect(rect);
        return path;
    }
    // Each corner in its own frame: `along` points back along the edge the path comes from,
    // `into` points along the edge it leaves by.
    const auto corner = [&](QPointF origin, QPointF along, QPointF into) {
        const auto at = [&](CornerStep s) { return origin + along * (s.a * r) + into * (s.b * r); };
        path.lineTo(at({cornerReach, 0}));
        path.cubicTo(at(cornerCurve1[0]), at(cornerCurve1[1]), at(cornerCurve1[2]));
        path.lineTo(at(cornerLine1));
        path.cubicTo(at(cornerCurve2[0]), at(cornerCurve2[1]), at(cornerCurve2[2]));
        path.lineTo(at(cornerLine2));
        path.cubicTo(at(cornerCurve3[0]), at(cornerCurve3[1]), at(cornerCurve3[2]));
    };
    path.moveTo(rect.left() + cornerReach * r, rect.top());
    corner(rect.topRight(), {-1, 0}, {0, 1});
    corner(rect.bottomRight(), {0, -1}, {-1, 0});
    corner(rect.bottomLeft(), {1, 0}, {0, -1});
    corner(rect.topLeft(), {0, 1}, {1, 0});
    path.closeSubpath();
    return path;
}

} // namespace

QPainterPath path(QSizeF size) {
    return continuousRoundedRect(QRectF(QPointF(0, 0), size),
                                 OverlayLayout::cornerRadius(size.height()));
}

double cornerLength(QSizeF size) {
    const double radius = std::min(OverlayLayout::cornerRadius(size.height()),
                                   std::min(size.width(), size.height()) / 2 / cornerReach);
    return cornerReach * radius;
}

void drawOutline(QPainter& painter, QSizeF size) {
    constexpr double inset = 0.75;
    painter.save();
    painter.setPen(QPen(TimerColors::white(0.45), 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(path(size - QSizeF(2 * inset, 2 * inset)).translated(inset, inset));
    painter.restore();
}

} // namespace CardShape
