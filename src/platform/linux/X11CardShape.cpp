#include "platform/linux/X11CardShape.h"

#include "overlay/OverlayView.h"

#include <QEvent>
#include <QPainterPath>
#include <QRegion>
#include <QWidget>

X11CardShape::X11CardShape(QWidget* window, std::function<bool()> compositorActive)
    : QObject(window)
    , m_window(window)
    , m_compositorActive(std::move(compositorActive)) {
    window->installEventFilter(this);
    update();
}

void X11CardShape::update() {
    if (!m_window)
        return;
    const bool shaped = !m_compositorActive();
    // The same shape at the same size: nothing to send.
    if (shaped == m_shaped && m_window->size() == m_shapedSize)
        return;
    m_shaped = shaped;
    m_shapedSize = m_window->size();
    auto* view = m_window->findChild<OverlayView*>();
    if (view)
        view->setOutlined(m_shaped);
    if (!m_shaped) {
        if (!m_window->mask().isEmpty())
            m_window->clearMask();
        return;
    }
    const QPainterPath card = OverlayView::cardShape(QSizeF(m_window->size()));
    m_window->setMask(QRegion(card.toFillPolygon().toPolygon(), Qt::WindingFill));
}

bool X11CardShape::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_window && (event->type() == QEvent::Resize || event->type() == QEvent::Show))
        update();
    return QObject::eventFilter(watched, event);
}
