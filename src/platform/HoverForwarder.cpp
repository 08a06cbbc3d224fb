#include "platform/HoverForwarder.h"

#include <QCoreApplication>
#include <QEnterEvent>
#include <QGuiApplication>
#include <QMouseEvent>

HoverForwarder::HoverForwarder(QWidget* window)
    : m_window(window) {}

HoverForwarder::SystemCursor HoverForwarder::systemCursor(Qt::CursorShape shape) {
    switch (shape) {
    case Qt::PointingHandCursor:
        return SystemCursor::pointingHand;
    case Qt::SizeHorCursor:
        return SystemCursor::resizeLeftRight;
    case Qt::SizeVerCursor:
        return SystemCursor::resizeUpDown;
    case Qt::SizeFDiagCursor:
        return SystemCursor::resizeDiagonalDown;
    case Qt::SizeBDiagCursor:
        return SystemCursor::resizeDiagonalUp;
    case Qt::OpenHandCursor:
        return SystemCursor::openHand;
    case Qt::ClosedHandCursor:
        return SystemCursor::closedHand;
    default:
        return SystemCursor::arrow;
    }
}

Qt::CursorShape HoverForwarder::moveTo(QPointF position, Qt::MouseButtons buttons) {
    if (!m_window)
        return Qt::ArrowCursor;
    QWidget* target = m_window->childAt(position.toPoint());
    if (!target)
        target = m_window;
    const QPointF global = m_window->mapToGlobal(position);

    QList<QWidget*> chain;
    for (QWidget* widget = target; widget;
         widget = widget->isWindow() ? nullptr : widget->parentWidget())
        chain.prepend(widget);

    // Leave the innermost first, enter the outermost first, as Qt does.
    for (qsizetype i = m_hovered.size() - 1; i >= 0; --i) {
        QWidget* widget = m_hovered.at(i);
        if (widget && !chain.contains(widget)) {
            QEvent leave(QEvent::Leave);
            QCoreApplication::sendEvent(widget, &leave);
        }
    }
    const QList<QPointer<QWidget>> before = m_hovered;
    m_hovered.clear();
    for (QWidget* widget : chain) {
        m_hovered.append(widget);
        if (!before.contains(widget)) {
            const QPointF local = widget->mapFrom(m_window, position);
            QEnterEvent enter(local, position, global);
            QCoreApplication::sendEvent(widget, &enter);
        }
    }

    // A widget may have gone while it handled its events.
    if (!m_hovered.last())
        return Qt::ArrowCursor;
    const QPointF local = target->mapFrom(m_window, position);
    QMouseEvent move(QEvent::MouseMove, local, position, global, Qt::NoButton, buttons,
                     QGuiApplication::keyboardModifiers());
    QCoreApplication::sendEvent(target, &move);
    return m_hovered.last() ? m_hovered.last()->cursor().shape() : Qt::ArrowCursor;
}

void HoverForwarder::leave() {
    for (qsizetype i = m_hovered.size() - 1; i >= 0; --i) {
        if (QWidget* widget = m_hovered.at(i)) {
            QEvent leave(QEvent::Leave);
            QCoreApplication::sendEvent(widget, &leave);
        }
    }
    m_hovered.clear();
}
