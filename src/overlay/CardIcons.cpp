#include "overlay/CardIcons.h"

#include <QPainter>
#include <QPolygonF>
#include <QtMath>

#include <cmath>

namespace CardIcons {

const QPainterPath& gear() {
    static const QPainterPath path = [] {
        constexpr int teeth = 8;
        constexpr double outer = 1.0;
        constexpr double root = 0.74;
        constexpr double tipHalf = 0.16;  // radians, half the tooth's width at its tip
        constexpr double baseHalf = 0.27; // radians, half the tooth's width at its root
        constexpr int arcSteps = 4;
        QPolygonF outline;
        const double pitch = 2 * M_PI / teeth;
        const auto polar = [](double radius, double angle) {
            return QPointF(radius * std::cos(angle), radius * std::sin(angle));
        };
        for (int i = 0; i < teeth; ++i) {
            const double centre = -M_PI / 2 + i * pitch;
            for (int k = 0; k <= arcSteps; ++k) // tip
                outline << polar(outer, centre - tipHalf + 2 * tipHalf * k / arcSteps);
            const double rootFrom = centre + baseHalf;
            const double rootTo = centre + pitch - baseHalf;
            for (int k = 0; k <= arcSteps; ++k) // root between this tooth and the next
                outline << polar(root, rootFrom + (rootTo - rootFrom) * k / arcSteps);
        }
        QPainterPath gear;
        gear.addPolygon(outline);
        gear.closeSubpath();
        gear.addEllipse(QPointF(0, 0), 0.34, 0.34);
        gear.setFillRule(Qt::OddEvenFill);
        return gear;
    }();
    return path;
}

const QPainterPath& close() {
    static const QPainterPath path = [] {
        constexpr double arm = 0.42;  // from the centre to the tip of each arm
        constexpr double half = 0.09; // half the arm's thickness; the tips are round
        constexpr int capSteps = 6;
        QPolygonF plus;
        // One arm after the other, counter-clockwise, each ending in a half circle.
        for (int quarter = 0; quarter < 4; ++quarter) {
            const double angle = quarter * M_PI / 2;
            const QTransform turn = QTransform().rotateRadians(angle);
            // The inner corner, then the round tip; the next arm starts at the other inner
            // corner of this one.
            plus << turn.map(QPointF(half, -half));
            for (int k = 0; k <= capSteps; ++k) {
                const double a = -M_PI / 2 + M_PI * k / capSteps;
                plus << turn.map(QPointF(arm - half + half * std::cos(a), half * std::sin(a)));
            }
        }
        QPainterPath glyph;
        glyph.addEllipse(QPointF(0, 0), 1, 1);
        glyph.addPolygon(QTransform().rotate(45).map(plus));
        glyph.closeSubpath();
        glyph.setFillRule(Qt::OddEvenFill);
        return glyph;
    }();
    return path;
}

void draw(QPainter& painter, const QPainterPath& icon, const QRectF& box, double size,
          const QColor& color) {
    painter.save();
    painter.translate(box.center());
    painter.scale(size / 2, size / 2);
    painter.setPen(Qt::NoPen);
    painter.setBrush(color);
    painter.drawPath(icon);
    painter.restore();
}

} // namespace CardIcons
