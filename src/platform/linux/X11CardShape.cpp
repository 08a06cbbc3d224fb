#include "platform/linux/X11CardShape.h"

#include "overlay/CardShape.h"
#include "overlay/OverlayLog.h"

#include <QEvent>
#include <QPainterPath>
#include <QRegion>
#include <QWidget>

X11CardShape::X11CardShape(QWidget* window, std::function<bool()> compositorActive)
    : QObject(window)
    , m_window(window)
    , m_compositorActive(std::move(compositorActive)) {
    window->installEventFilter(this);
}

void X11CardShape::update() {
    if (!m_window)
        return;
    const bool shaped = !m_compositorActive();
    // The same shape at the same size: nothing to send.
    if (shaped == m_shaped && m_window->size() == m_shapedSize)
        return;
    const bool changed = shaped != m_shaped;
    m_shaped = shaped;
    m_shapedSize = m_window->size();
    if (changed) {
        qCDebug(lcOverlay) << (m_shaped ? "no compositor: the card's window is cut to its shape"
                                        : "a compositor blends the card's edge: shape dropped");
        Q_EMIT shapedChanged(m_shaped);
    }
    if (!m_shaped) {
        if (!m_window->mask().isEmpty())
            m_window->clearMask();
        return;
    }
    const QPainterPath card = CardShape::path(QSizeF(m_window->size()));
    m_window->setMask(QRegion(card.toFillPolygon().toPolygon(), Qt::WindingFill));
}

bool X11CardShape::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_window && (event->type() == QEvent::Resize || event->type() == QEvent::Show))
        update();
    return QObject::eventFilter(watched, event);
}
