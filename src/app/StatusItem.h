#pragma once

#include <QObject>
#include <QPointer>
#include <QSystemTrayIcon>

class AppDelegate;
class QMenu;
class TrayHostWatcher;

// The tray icon and its menu. The menu is rebuilt from the controller's state each time it
// opens. Where the desktop has no tray yet, the icon is added as soon as a tray appears.
class StatusItem final : public QObject {
    Q_OBJECT
public:
    explicit StatusItem(AppDelegate& app, QObject* parent = nullptr);
    ~StatusItem() override;

    // The menu as it would open now.
    QMenu* menu() const { return m_menu; }
    void rebuildMenu();
    // The icon, once a tray host exists.
    QSystemTrayIcon* trayIcon() const { return m_trayIcon; }

private:
    void trayAvailabilityChanged(bool available);
    void createTrayIcon();

    AppDelegate& m_app;
    QMenu* m_menu;
    QPointer<QSystemTrayIcon> m_trayIcon;
    TrayHostWatcher* m_hostWatcher;
    bool m_toldAboutMissingTray = false;
};
