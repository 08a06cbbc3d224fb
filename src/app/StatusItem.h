#pragma once

#include <QObject>
#include <QPointer>
#include <QSystemTrayIcon>

class AppDelegate;
class QAction;
class QMenu;
class QWidget;
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
    // The menu's shortcuts ("Einstellungen …", quit) also work while `window` has the keyboard.
    void addShortcutsTo(QWidget* window);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void trayAvailabilityChanged(bool available);
    void createTrayIcon();

    AppDelegate& m_app;
    QMenu* m_menu;
    // Kept across rebuilds, so that the windows that carry their shortcuts keep them.
    QAction* m_settingsAction;
    QAction* m_quitAction;
    QPointer<QSystemTrayIcon> m_trayIcon;
    TrayHostWatcher* m_hostWatcher;
    bool m_toldAboutMissingTray = false;
};
