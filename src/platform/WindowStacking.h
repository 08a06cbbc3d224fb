#pragma once

#include <QList>
#include <QRectF>

// Whether the windows in front of the timer window hide it where bringing it to the front
// helps. A platform that can list those windows raises the card only then, instead of
// restacking it on every tick.
namespace WindowStacking {

// A window in global screen coordinates.
struct StackedWindow {
    QRectF bounds;
    // Its level: a window of a higher level stays above every window of a lower one.
    int level = 0;
    // 0 for a window that shows nothing.
    double opacity = 1;
    // One of ours: menus, tooltips and the configuration windows pass over the card on purpose.
    bool ownProcess = false;
};

// Whether one of `inFront`, the windows in front of `card`, covers part of it and would go
// behind it if the card came to the front: a visible window of another program that overlaps
// the card and stands on no higher level.
bool coversCard(const StackedWindow& card, const QList<StackedWindow>& inFront);

} // namespace WindowStacking
