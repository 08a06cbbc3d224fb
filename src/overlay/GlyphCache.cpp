#include "overlay/GlyphCache.h"

#include "overlay/FittedLine.h"

#include <QFontMetricsF>
#include <QPainter>

#include <cmath>
#include <memory>

namespace {

// Draws `text` with its left end at `origin` on the baseline.
void drawPlain(QPainter& painter, const QFont& font, const QString& text, QPointF origin,
               const QColor& color) {
    painter.setFont(font);
    painter.setPen(color);
    painter.drawText(origin, text);
}

// Where `text` puts ink, relative to its left end on the baseline, with a little room for
// antialiasing.
QRectF inkBounds(const QString& text, const QFontMetricsF& metrics) {
    // Only the ink: a time glyph's image is copied on every frame, and the empty space of its
    // line box would double the pixels copied.
    const QRectF ink = metrics.tightBoundingRect(text);
    const double pad = 2 + 0.01 * metrics.height();
    return ink.adjusted(-pad, -pad, pad, pad);
}

} // namespace

void GlyphCache::draw(QPainter& painter, const FittedLine& line, QPointF origin,
                      const QColor& color, double opacity) {
    if (!line.cells) {
        drawCached(painter, line.font, line.text, origin, color, opacity);
        return;
    }
    line.cells->place(origin.x(), [&](const QString& cluster, double left) {
        drawCached(painter, line.font, cluster, QPointF(left, origin.y()), color, opacity);
    });
}

void GlyphCache::drawCached(QPainter& painter, const QFont& font, const QString& text,
                            QPointF origin, const QColor& color, double opacity) {
    const QPaintDevice* device = painter.device();
    const qreal ratio = device ? device->devicePixelRatioF() : 1;
    const int dpi = device ? device->logicalDpiY() : 96;
    const QString key = QStringLiteral("%1|%2|%3|%4|%5")
                            .arg(text, font.key())
                            .arg(color.rgba())
                            .arg(ratio)
                            .arg(dpi);
    const QFontMetricsF metrics(font, device);
    const QRectF bounds = inkBounds(text, metrics);
    QImage* image = m_images.object(key);
    if (!image) {
        auto rendered = std::make_unique<QImage>((bounds.size() * ratio).toSize() + QSize(1, 1),
                                                 QImage::Format_ARGB32_Premultiplied);
        if (rendered->isNull())
            return;
        // The same resolution as the target, so the font comes out at the same size.
        rendered->setDotsPerMeterX(qRound(dpi / 0.0254));
        rendered->setDotsPerMeterY(qRound(dpi / 0.0254));
        rendered->setDevicePixelRatio(ratio);
        rendered->fill(Qt::transparent);
        QPainter imagePainter(rendered.get());
        imagePainter.setRenderHint(QPainter::Antialiasing);
        imagePainter.setRenderHint(QPainter::TextAntialiasing);
        drawPlain(imagePainter, font, text, -bounds.topLeft(), color);
        imagePainter.end();
        const int cost = int(rendered->sizeInBytes() / 1024) + 1;
        image = rendered.get();
        if (!m_images.insert(key, rendered.release(), cost)) {
            // Larger than the whole cache: draw it directly.
            painter.save();
            painter.setOpacity(opacity);
            drawPlain(painter, font, text, origin, color);
            painter.restore();
            return;
        }
    }
    // On whole device pixels, so the image is copied rather than resampled.
    const QPointF topLeft = origin + bounds.topLeft();
    const QPointF snapped(std::round(topLeft.x() * ratio) / ratio,
                          std::round(topLeft.y() * ratio) / ratio);
    painter.save();
    painter.setOpacity(opacity);
    painter.drawImage(snapped, *image);
    painter.restore();
}
