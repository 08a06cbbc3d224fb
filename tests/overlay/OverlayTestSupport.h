#pragma once

#include "overlay/OverlayLayout.h"
#include "platform/OverlayWindowPlatform.h"

#include <QColor>
#include <QHash>
#include <QImage>
#include <QRectF>
#include <QStringList>
#include <QWidget>

#include <algorithm>
#include <cstdlib>

// Records what the timer window asked of the window system, in order. Installs itself while
// it lives.
class FakeOverlayWindowPlatform final : public OverlayWindowPlatform {
public:
    FakeOverlayWindowPlatform() { setInstance(this); }
    ~FakeOverlayWindowPlatform() override { setInstance(nullptr); }

    Capabilities capabilities() const override { return {}; }
    void configureOverlayWindow(QWidget* window, const OutlineCard&) override {
        calls << (window && window->isVisible() ? QStringLiteral("configure shown")
                                                : QStringLiteral("configure hidden"));
    }
    void orderFront(QWidget* window) override {
        calls << (window && window->isVisible() ? QStringLiteral("front shown")
                                                : QStringLiteral("front hidden"));
    }
    bool setCaptureExcluded(QWidget*, bool excluded) override {
        captureExcluded << excluded;
        return false;
    }

    QStringList calls;
    QList<bool> captureExcluded;
};

inline QRectF toRectF(const OverlayLayout::Rect& r) {
    return QRectF(r.x, r.y, r.width, r.height);
}

// Pixels of `image` inside `area` (in the image's logical coordinates).
template <typename Visit>
void forEachPixel(const QImage& image, const QRectF& area, Visit visit) {
    const qreal ratio = image.devicePixelRatio();
    const int left = std::max(0, int(area.left() * ratio));
    const int top = std::max(0, int(area.top() * ratio));
    const int right = std::min(image.width(), int(area.right() * ratio + 0.999));
    const int bottom = std::min(image.height(), int(area.bottom() * ratio + 0.999));
    for (int y = top; y < bottom; ++y)
        for (int x = left; x < right; ++x)
            visit(x, y, image.pixelColor(x, y));
}

// The most frequent colour in `area` other than `background`: the colour of whatever is
// drawn there at full coverage, free of the antialiased edges.
inline QColor dominantColour(const QImage& image, const QRectF& area, const QColor& background) {
    QHash<QRgb, int> counts;
    forEachPixel(image, area, [&](int, int, const QColor& c) {
        if (c.rgba() != background.rgba())
            ++counts[c.rgba()];
    });
    QRgb best = 0;
    int bestCount = 0;
    for (auto it = counts.constBegin(); it != counts.constEnd(); ++it)
        if (it.value() > bestCount) {
            best = it.key();
            bestCount = it.value();
        }
    return bestCount ? QColor::fromRgba(best) : QColor();
}

inline int countDifferent(const QImage& image, const QRectF& area, const QColor& background) {
    int count = 0;
    forEachPixel(image, area, [&](int, int, const QColor& c) {
        if (c.rgba() != background.rgba())
            ++count;
    });
    return count;
}

inline bool near(const QColor& a, const QColor& b, int tolerance = 2) {
    return std::abs(a.red() - b.red()) <= tolerance &&
           std::abs(a.green() - b.green()) <= tolerance &&
           std::abs(a.blue() - b.blue()) <= tolerance &&
           std::abs(a.alpha() - b.alpha()) <= tolerance;
}
