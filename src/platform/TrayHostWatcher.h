#pragma once

#include <QObject>

#include <memory>

// Tells whether the desktop offers a tray for the icon, and when one appears later (a panel
// that starts after the app, as at login). Implementations per platform, chosen by the build.
class TrayHostWatcher : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    static TrayHostWatcher* create(QObject* parent);
    // Whether the tray tints a monochrome mask itself (the macOS menu bar does), so that the
    // icon is drawn as one.
    static bool wantsTemplateIcon();

    virtual bool isAvailable() const = 0;

Q_SIGNALS:
    // Emitted once when a tray becomes available after start-up.
    void appeared();
};
