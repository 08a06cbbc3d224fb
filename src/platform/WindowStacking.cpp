#include "platform/WindowStacking.h"

#include <algorithm>

namespace WindowStacking {

bool coversCard(const StackedWindow& card, const QList<StackedWindow>& inFront) {
    return std::any_of(inFront.begin(), inFront.end(), [&card](const StackedWindow& window) {
        return !window.ownProcess && window.opacity > 0 && window.level <= card.level &&
               window.bounds.intersects(card.bounds);
    });
}

} // namespace WindowStacking
