#pragma once

#include "overlay/OverlayLayout.h"

#include <QImage>
#include <QSizeF>

class QColor;
class QPainter;
class QRectF;

// Everything of the card that only changes with its size and the settings (the card, its
// outline, its icons, the bar's track, the grip), drawn once into one image and kept until one
// of them changes.
class CardLayer {
public:
    // What the layer's pixels depend on.
    struct Look {
        QSizeF size;
        qreal ratio = 1;
        double opacity = 0;
        bool outlined = false;
        OverlayLayout::Rows rows;
        friend bool operator==(const Look&, const Look&) = default;
    };

    // Puts the layer of `look` into `painter` as the window's bottom layer: its pixels replace
    // what is below, which is also cheaper than blending them over it. `m` are the sizes at
    // `look.size`.
    void paint(QPainter& painter, const Look& look, const OverlayLayout::Metrics& m);

    // The bar's shape, for its track here and its fill above it.
    static void fillCapsule(QPainter& painter, const QRectF& rect, const QColor& color);

private:
    const QImage& image(const Look& look, int dpi, const OverlayLayout::Metrics& m);

    QImage m_image;
    Look m_look;
};
