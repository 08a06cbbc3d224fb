#pragma once

#include <QList>
#include <QString>

// One top-level window as the window manager lists it.
struct TopLevelWindow {
    quint32 id = 0;
    qint64 pid = 0;
    // The two parts of WM_CLASS.
    QString instanceName;
    QString className;
    QString title;
    bool fullScreen = false;
};

// Which program a window shows a slide show for, told from its class and title.
namespace PresentationWindows {

// The program whose running show `window` is ("LibreOffice Impress", "Okular", "pdfpc"), or
// an empty text for any other window.
QString showProgram(const TopLevelWindow& window);

// The window to give the focus back to: the first show window of `program` (of any program
// in the fixed order Impress, Okular, pdfpc when `program` is empty), full-screen windows
// first; nullptr when there is none.
const TopLevelWindow* pick(const QList<TopLevelWindow>& windows, const QString& program);

} // namespace PresentationWindows

// The top-level windows of the X11 display named by DISPLAY, and their activation. Without an
// X11 display (a Wayland session without XWayland) it lists nothing. One connection per
// instance; use an instance on one thread only.
class X11Windows {
public:
    X11Windows();
    ~X11Windows();
    X11Windows(const X11Windows&) = delete;
    X11Windows& operator=(const X11Windows&) = delete;

    QList<TopLevelWindow> list();
    // Asks the window manager to activate the window, as a pager would (which window
    // managers honour without focus-stealing checks).
    bool activate(quint32 window);

private:
    struct Connection;
    Connection* m_x;
};
