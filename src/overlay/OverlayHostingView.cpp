#include "overlay/OverlayHostingView.h"

#include "overlay/OverlayView.h"

#include <QCursor>
#include <QEnterEvent>
#include <QMouseEvent>
#include <QWindow>

namespace {

// How long the window must rest before a move by the window system counts as settled.
constexpr int moveSettleMs = 300;

} // namespace

OverlayHostingView::OverlayHostingView(OverlayModel* model, const SettingsStore& settings,
                                       QWidget* parent)
    : QWidget(parent)
    , m_view(new OverlayView(model, settings, this)) {
    setMouseTracking(true);
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_NoSystemBackground);
    setCursor(Qt::OpenHandCursor);
    m_moveSettle.setSingleShot(true);
    m_moveSettle.setInterval(moveSettleMs);
    connect(&m_moveSettle, &QTimer::timeout, this, [this] {
        // Save the frame while the pointer still rests; the move may go on afterwards.
        if (m_drag == Drag::systemMove)
            Q_EMIT frameChanged();
    });
}

OverlayHostingView::Zone OverlayHostingView::zoneAt(QPointF position) const {
    return OverlayLayout::zoneAt(position.x(), position.y(), width(), height());
}

std::optional<OverlayHostingView::Button> OverlayHostingView::buttonAt(QPointF position) const {
    return OverlayLayout::buttonAt(position.x(), position.y(), width(), height());
}

Qt::CursorShape OverlayHostingView::cursorShape(OverlayLayout::Cursor cursor) {
    switch (cursor) {
    case OverlayLayout::Cursor::pointingHand:
        return Qt::PointingHandCursor;
    case OverlayLayout::Cursor::resizeDiagonalDown:
        return Qt::SizeFDiagCursor;
    case OverlayLayout::Cursor::resizeDiagonalUp:
        return Qt::SizeBDiagCursor;
    case OverlayLayout::Cursor::resizeLeftRight:
        return Qt::SizeHorCursor;
    case OverlayLayout::Cursor::resizeUpDown:
        return Qt::SizeVerCursor;
    case OverlayLayout::Cursor::openHand:
        return Qt::OpenHandCursor;
    }
    return Qt::ArrowCursor;
}

void OverlayHostingView::updateCursor(QPointF position) {
    setCursor(cursorShape(OverlayLayout::cursorFor(buttonAt(position), zoneAt(position))));
}

void OverlayHostingView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    event->accept();
    if (m_drag != Drag::none)
        finishDrag();
    const QPointF position = event->position();

    // Icons take precedence over the edge bands around them.
    if (const auto button = buttonAt(position)) {
        if (*button == Button::gearIcon)
            Q_EMIT gearClicked();
        else
            Q_EMIT closeClicked();
        return;
    }

    QWidget* panel = window();
    m_startFrame = panel->geometry();
    m_startPointer = event->globalPosition();
    const Zone zone = zoneAt(position);
    if (zone.any()) {
        m_zone = zone;
        m_drag = Drag::resize;
        return;
    }

    setCursor(Qt::ClosedHandCursor);
    // No window manager moves an unmanaged window: it follows the pointer by itself. That also
    // leaves no move grab behind when the button comes up before the pointer moved.
    QWindow* handle = panel->windowHandle();
    const bool unmanaged = panel->windowFlags().testFlag(Qt::X11BypassWindowManagerHint);
    if (handle && !unmanaged && handle->startSystemMove()) {
        m_drag = Drag::systemMove;
        panel->installEventFilter(this);
        m_moveSettle.start();
    } else {
        m_drag = Drag::manualMove;
    }
}

void OverlayHostingView::mouseMoveEvent(QMouseEvent* event) {
    const QPointF travel = event->globalPosition() - m_startPointer;
    switch (m_drag) {
    case Drag::resize: {
        // Always from the start frame and the start pointer, so the edge follows the pointer
        // exactly and the size never drops below the minimum.
        const OverlayLayout::Rect start{double(m_startFrame.x()), double(m_startFrame.y()),
                                        double(m_startFrame.width()),
                                        double(m_startFrame.height())};
        const auto frame =
            OverlayLayout::resizedFrame(start, m_zone, qRound(travel.x()), qRound(travel.y()));
        window()->setGeometry(qRound(frame.x), qRound(frame.y), qRound(frame.width),
                              qRound(frame.height));
        return;
    }
    case Drag::manualMove:
        window()->move(m_startFrame.topLeft() + travel.toPoint());
        return;
    case Drag::systemMove:
        // Pointer events without the button: the window system has let go of the window.
        if (event->buttons() & Qt::LeftButton)
            return;
        finishDrag();
        break;
    case Drag::none:
        break;
    }
    updateCursor(event->position());
}

void OverlayHostingView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QWidget::mouseReleaseEvent(event);
        return;
    }
    if (m_drag != Drag::none)
        finishDrag();
    updateCursor(event->position());
}

void OverlayHostingView::enterEvent(QEnterEvent* event) {
    if (m_drag == Drag::systemMove)
        finishDrag();
    if (m_drag == Drag::none)
        updateCursor(event->position());
    QWidget::enterEvent(event);
}

void OverlayHostingView::leaveEvent(QEvent* event) {
    if (m_drag == Drag::none)
        setCursor(Qt::ArrowCursor);
    QWidget::leaveEvent(event);
}

void OverlayHostingView::resizeEvent(QResizeEvent* event) {
    m_view->setGeometry(rect());
    QWidget::resizeEvent(event);
}

bool OverlayHostingView::eventFilter(QObject* watched, QEvent* event) {
    if (m_drag == Drag::systemMove && watched == window() && event->type() == QEvent::Move)
        m_moveSettle.start();
    return QWidget::eventFilter(watched, event);
}

void OverlayHostingView::finishDrag() {
    m_moveSettle.stop();
    if (m_drag == Drag::systemMove)
        window()->removeEventFilter(this);
    m_drag = Drag::none;
    Q_EMIT frameChanged();
}
