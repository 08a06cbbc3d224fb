#include "app/TrayIconArt.h"

#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace TrayIconArt {

QPixmap pixmap(int size, bool asTemplate, qreal devicePixelRatio) {
    QPixmap pixmap(QSize(size, size) * devicePixelRatio);
    pixmap.setDevicePixelRatio(devicePixelRatio);
    pixmap.fill(Qt::transparent);

    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal s = size;
    const QColor ink = asTemplate ? QColor(Qt::black) : QColor(Qt::white);

    if (!asTemplate) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(28, 28, 30, 235));
        painter.drawEllipse(QRectF(0, 0, s, s));
    }

    // Dial, crown and a hand pointing to about two o'clock.
    const qreal inset = asTemplate ? 0.0 : s * 0.14;
    const qreal box = s - 2 * inset;
    const QPointF centre(s / 2, inset + box * 0.56);
    const qreal radius = box * 0.38;
    const qreal stroke = std::max<qreal>(1.0, box * 0.1);

    QPen pen(ink, stroke, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(centre, radius, radius);

    const qreal crownTop = inset + box * 0.04;
    painter.drawLine(QPointF(centre.x(), centre.y() - radius),
                     QPointF(centre.x(), crownTop + stroke));
    painter.drawLine(QPointF(centre.x() - box * 0.1, crownTop + stroke * 0.5),
                     QPointF(centre.x() + box * 0.1, crownTop + stroke * 0.5));

    const qreal angle = -M_PI / 3; // from twelve o'clock, clockwise
    const QPointF tip(centre.x() + std::sin(-angle) * radius * 0.7,
                      centre.y() - std::cos(-angle) * radius * 0.7);
    painter.drawLine(centre, tip);
    painter.setPen(Qt::NoPen);
    painter.setBrush(ink);
    painter.drawEllipse(centre, stroke * 0.7, stroke * 0.7);
    return pixmap;
}

QIcon icon(bool asTemplate) {
    QIcon icon;
    for (const int size : {16, 22, 24, 32, 48, 64}) {
        icon.addPixmap(pixmap(size, asTemplate, 1.0));
        icon.addPixmap(pixmap(size, asTemplate, 2.0));
    }
    icon.setIsMask(asTemplate);
    return icon;
}

} // namespace TrayIconArt
