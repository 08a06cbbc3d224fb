#include "overlay/DrawnCard.h"

#include <QRectF>

using namespace OverlayLayout;

bool DrawnCard::sameLayout(const DrawnCard& other) const {
    return layer == other.layer && timeCharacters == other.timeCharacters;
}

QRegion DrawnCard::changedRows(const DrawnCard& other, const Metrics& m) const {
    QRegion dirty;
    const auto row = [&](const Rect& r, double reach) {
        dirty += QRectF(0, r.y - reach, layer.size.width(), r.height + 2 * reach).toAlignedRect();
    };
    if (caption != other.caption)
        row(captionBox(m), 4);
    if (time != other.time || tone != other.tone)
        row(timeRow(m), 0.25 * m.timeAreaHeight + 4);
    if (message != other.message || messageDim != other.messageDim)
        row(messageRow(m), 0.25 * m.messageHeight + 4);
    if (secondary != other.secondary)
        row(secondaryRow(m), 0.25 * m.secondaryHeight + 4);
    if (fillPixels != other.fillPixels || barTone != other.barTone)
        row(barTrack(m), 4);
    return dirty;
}
