#pragma once

#include <QList>
#include <QPointF>
#include <QPointer>
#include <QWidget>

// Delivers pointer hover to the widgets of one window the way Qt does, for a window system
// that still reports the pointer while Qt ignores it: Qt's macOS view drops moves, enters and
// exits while the application is inactive, which is the whole time a slide show runs. So the
// timer window's cursors and its end-of-move check depend on these deliveries there.
class HoverForwarder final {
public:
    // The cursors a window system sets for forwarded hover. The diagonal ones follow Qt's
    // names: "down" runs from the top left to the bottom right, "up" from the bottom left to
    // the top right.
    enum class SystemCursor {
        arrow,
        pointingHand,
        resizeLeftRight,
        resizeUpDown,
        resizeDiagonalDown,
        resizeDiagonalUp,
        openHand,
        closedHand,
    };

    explicit HoverForwarder(QWidget* window);

    // The system cursor for a shape a widget asks for: every shape the timer window uses has
    // its own, any other gets the arrow.
    static SystemCursor systemCursor(Qt::CursorShape shape);

    // The pointer is at `position` (window coordinates) with `buttons` held: tells the widgets
    // it left and entered, sends the move to the widget under it (Qt passes it on to the
    // nearest one that tracks the mouse), and returns the cursor that widget asks for.
    Qt::CursorShape moveTo(QPointF position, Qt::MouseButtons buttons);
    // The pointer has left the window.
    void leave();

private:
    QPointer<QWidget> m_window;
    // The widgets under the pointer, the window first.
    QList<QPointer<QWidget>> m_hovered;
};
