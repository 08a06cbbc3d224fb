#include "overlay/CardLayer.h"

#include "overlay/CardIcons.h"
#include "overlay/CardShape.h"
#include "overlay/TimerColors.h"

#include <QPainter>
#include <QtMath>

#include <algorithm>
#include <cmath>

using namespace OverlayLayout;

void CardLayer::paint(QPainter& painter, const Look& look, const Metrics& m) {
    const QPaintDevice* device = painter.device();
    const QImage& layer = image(look, device ? device->logicalDpiY() : 96, m);
    // Between the top row and the bottom corners the card is one flat colour from edge to edge
    // (the outline aside), which is filled rather than copied.
    const QSizeF size = look.size;
    const double barTop = look.rows.bar ? barTrack(m).y : size.height();
    painter.save();
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    const double corner = CardShape::cornerLength(size);
    const double top = std::ceil(std::max(corner, topRowHeight(size.height()))) + 1;
    const double bottom = std::ceil(std::max({corner, grip, size.height() - barTop})) + 1;
    const double side = look.outlined ? 2 : 0;
    const QRectF middle(side, top, size.width() - 2 * side, size.height() - top - bottom);
    if (middle.width() <= 0 || middle.height() <= 0) {
        painter.drawImage(QPointF(0, 0), layer);
        painter.restore();
        return;
    }
    const qreal ratio = layer.devicePixelRatio();
    const auto copy = [&](const QRectF& part) {
        painter.drawImage(part, layer, QRectF(part.topLeft() * ratio, part.size() * ratio));
    };
    copy(QRectF(0, 0, size.width(), top));
    copy(QRectF(0, size.height() - bottom, size.width(), bottom));
    if (side > 0) {
        copy(QRectF(0, top, side, middle.height()));
        copy(QRectF(size.width() - side, top, side, middle.height()));
    }
    painter.fillRect(middle, QColor::fromRgbF(0, 0, 0, float(look.opacity)));
    painter.restore();
}

void CardLayer::fillCapsule(QPainter& painter, const QRectF& rect, const QColor& color) {
    const double radius = std::min(rect.width(), rect.height()) / 2;
    painter.setPen(Qt::NoPen);
    painter.setBrush(color);
    painter.drawRoundedRect(rect, radius, radius);
}

const QImage& CardLayer::image(const Look& look, int dpi, const Metrics& m) {
    if (!m_image.isNull() && m_look == look)
        return m_image;
    m_look = look;
    const QSizeF size = look.size;
    m_image = QImage(QSize(qCeil(size.width() * look.ratio), qCeil(size.height() * look.ratio)),
                     QImage::Format_ARGB32_Premultiplied);
    if (m_image.isNull())
        return m_image;
    m_image.setDotsPerMeterX(qRound(dpi / 0.0254));
    m_image.setDotsPerMeterY(qRound(dpi / 0.0254));
    m_image.setDevicePixelRatio(look.ratio);
    m_image.fill(Qt::transparent);
    QPainter painter(&m_image);
    painter.setRenderHint(QPainter::Antialiasing);

    // Card.
    if (look.opacity > 0) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor::fromRgbF(0, 0, 0, float(look.opacity)));
        painter.drawPath(CardShape::path(size));
    }
    if (look.outlined)
        CardShape::drawOutline(painter, size);

    // Top row icons.
    const double s = m.captionSize;
    const QColor icon = TimerColors::white(0.5);
    CardIcons::draw(painter, CardIcons::gear(), toQRectF(gearBox(m)), 0.85 * s * 0.96, icon);
    CardIcons::draw(painter, CardIcons::close(), toQRectF(closeBox(m)), 0.9 * s * 0.96, icon);

    // The bar's track; a translucent capsule the width of the card is slow to fill.
    if (look.rows.bar)
        fillCapsule(painter, toQRectF(barTrack(m)), TimerColors::white(0.15));

    // Resize grip.
    const double w = size.width();
    const double h = size.height();
    QPen gripPen(TimerColors::white(0.3), 1);
    gripPen.setCapStyle(Qt::FlatCap);
    painter.setPen(gripPen);
    for (const double reach : {8.0, 12.0, 16.0})
        painter.drawLine(QPointF(w - reach, h - 4), QPointF(w - 4, h - reach));
    painter.end();
    return m_image;
}
