#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QTimer>

#include <xcb/xcb.h>

class QSocketNotifier;
class QWidget;

// Keeps an unmanaged (override-redirect) window above the managed windows on X11. The window
// manager no longer stacks such a window, and a window it raises later (a presentation that
// gets the focus, a window that is opened) ends up above it. The watcher follows every
// restack and map among the root's children on a connection of its own, and raises the
// window once when a managed window that overlaps it lies above it. While nothing covers it,
// it sends nothing at all.
//
// Its own connection keeps its event mask on the root window apart from Qt's, and keeps its
// round trips out of Qt's event queue.
class X11StackingWatcher final : public QObject {
    Q_OBJECT
public:
    // Watches on behalf of `window`, which it is parented to. Without an X display it does
    // nothing.
    explicit X11StackingWatcher(QWidget* window);
    ~X11StackingWatcher() override;

    bool isConnected() const { return m_connection != nullptr; }
    // Whether a compositing manager runs on the default screen (the owner of the
    // _NET_WM_CM_S<screen> selection): without one, windows have no alpha channel.
    bool compositorActive() const;
    // How often the window was raised so far.
    int raises() const { return m_raises; }

    // Looks at the stacking order now and raises the window when it is covered.
    void raiseIfCovered();

Q_SIGNALS:
    // A window came or went among the root's children while the card is shown: a
    // compositing manager that starts or stops is one of them.
    void windowsCreatedOrDestroyed();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void readEvents();
    void scheduleCheck();
    // Listens to the root's children only while the window is shown: a hidden card has
    // nothing to answer, and a busy desktop should not wake it.
    void listen(bool on);

    QPointer<QWidget> m_window;
    xcb_connection_t* m_connection = nullptr;
    xcb_window_t m_root = XCB_WINDOW_NONE;
    xcb_atom_t m_compositorSelection = XCB_ATOM_NONE;
    QSocketNotifier* m_notifier = nullptr;
    QTimer m_check;
    QElapsedTimer m_sinceRaise;
    QElapsedTimer m_sinceCheck;
    int m_raises = 0;
};
