#pragma once

#include "platform/TrayHostWatcher.h"

class QTimer;

// A tray exists when a StatusNotifier host is registered on the session bus or, on X11, when
// a system tray owns the XEmbed selection. Qt decides once, when the first tray icon is made,
// which of the two it uses, and never asks again: so nothing here asks Qt, and the icon is
// made only after one of them is known to be there.
class LinuxTrayHostWatcher final : public TrayHostWatcher {
    Q_OBJECT
public:
    explicit LinuxTrayHostWatcher(QObject* parent = nullptr);

    bool isAvailable() const override { return m_available; }

    static bool statusNotifierHostRegistered();
    static bool xembedTrayPresent();

private Q_SLOTS:
    // A slot by name: the session bus delivers its signals only to those.
    void check();

private:
    bool m_available = false;
    QTimer* m_poll;
};
