#pragma once

#include "overlay/OverlayLayout.h"

#include <QPointF>
#include <QRect>
#include <QTimer>
#include <QWidget>

#include <optional>

class OverlayModel;
class OverlayView;
class SettingsStore;

// Hosts the overlay view and does all the mouse handling of the timer window: a press on the
// gear or close icon reports to the controller, a press on an edge or the corner grip resizes
// the window, and a press anywhere else drags it. The window never takes the focus, so the
// first click acts at once.
class OverlayHostingView final : public QWidget {
    Q_OBJECT
public:
    using Zone = OverlayLayout::Zone;
    using Button = OverlayLayout::Button;

    OverlayHostingView(OverlayModel* model, const SettingsStore& settings,
                       QWidget* parent = nullptr);

    OverlayView* view() const { return m_view; }

    Zone zoneAt(QPointF position) const;
    std::optional<Button> buttonAt(QPointF position) const;
    static Qt::CursorShape cursorShape(OverlayLayout::Cursor cursor);

    bool isResizing() const { return m_drag == Drag::resize; }
    bool isMoving() const { return m_drag == Drag::systemMove || m_drag == Drag::manualMove; }

Q_SIGNALS:
    // The primary button went down on the gear or the close icon.
    void gearClicked();
    void closeClicked();
    // A drag or a resize of the window has ended.
    void frameChanged();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    enum class Drag { none, resize, systemMove, manualMove };

    void updateCursor(QPointF position);
    void finishDrag();

    OverlayView* m_view = nullptr;
    Drag m_drag = Drag::none;
    Zone m_zone;
    QRect m_startFrame;
    QPointF m_startPointer;
    // The window system moves the window by itself and tells us nothing when it is done; the
    // move counts as ended once the window has rested for a moment.
    QTimer m_moveSettle;
};
