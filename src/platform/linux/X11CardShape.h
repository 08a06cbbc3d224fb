#pragma once

#include <QObject>
#include <QPointer>
#include <QSize>

#include <functional>

class QWidget;

// Without a compositing manager an X11 window has no alpha channel: the transparent corners
// of the card come out black and its soft edge vanishes on a black slide. Then the window is
// cut to the card's rounded shape (XShape through Qt's mask) and the card draws a thin light
// outline. With a compositor the mask is dropped again and the card stays truly translucent.
// It looks again whenever the window is shown or resized, and when told that windows came or
// went.
class X11CardShape final : public QObject {
    Q_OBJECT
public:
    // `compositorActive` says whether windows get an alpha channel right now. The window keeps
    // its shape until the first update().
    X11CardShape(QWidget* window, std::function<bool()> compositorActive);

    void update();

Q_SIGNALS:
    // The window was cut to the card's shape, or blends the card's edge again.
    void shapedChanged(bool shaped);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QPointer<QWidget> m_window;
    std::function<bool()> m_compositorActive;
    bool m_shaped = false;
    QSize m_shapedSize;
};
