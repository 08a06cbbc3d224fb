#pragma once

#include <QCache>
#include <QImage>
#include <QString>

class QColor;
class QFont;
class QPainter;
class QPointF;
struct FittedLine;

// Large glyphs are not in the painter's glyph cache and are filled as outlines on every frame,
// which costs milliseconds on a big window. The texts change seldom, so each drawn line is kept
// as an image. The time changes every second but is made of a dozen different glyphs: a line
// with equal-width digits is kept glyph by glyph, and a new time text is a few copies instead
// of a rasterisation of huge outlines.
class GlyphCache {
public:
    // Draws `line` with its left end at `origin` on the baseline.
    void draw(QPainter& painter, const FittedLine& line, QPointF origin, const QColor& color,
              double opacity);

private:
    void drawCached(QPainter& painter, const QFont& font, const QString& text, QPointF origin,
                    const QColor& color, double opacity);

    // In kilobytes; about two full-width lines on a high-resolution 4K strip.
    QCache<QString, QImage> m_images{32 * 1024};
};
