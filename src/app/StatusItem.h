#pragma once

#include <QObject>
#include <QPointer>
#include <QSystemTrayIcon>

#include <functional>

class AppState;
class QAction;
class QMenu;
class QWidget;
class TrayHostWatcher;
class WindowCommands;

// The tray icon and its menu. The menu is rebuilt from the status record each time it opens;
// its rows call `commands`. Where the desktop has no tray yet, the icon is added as soon as a
// tray appears.
class StatusItem final : public QObject {
    Q_OBJECT
public:
    // `searchRunning` tells whether a network search runs now, which greys out the search row.
    StatusItem(WindowCommands& commands, const AppState& state, std::function<bool()> searchRunning,
               QObject* parent = nullptr);
    ~StatusItem() override;

    // The menu as it would open now.
    QMenu* menu() const { return m_menu; }
    void rebuildMenu();
    // The menu's shortcuts ("Einstellungen …", quit) also work while `window` has the keyboard.
    void addShortcutsTo(QWidget* window);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void trayAvailabilityChanged(bool available);
    void createTrayIcon();

    WindowCommands& m_commands;
    const AppState& m_state;
    std::function<bool()> m_searchRunning;
    QMenu* m_menu;
    // Kept across rebuilds, so that the windows that carry their shortcuts keep them.
    QAction* m_settingsAction;
    QAction* m_quitAction;
    QPointer<QSystemTrayIcon> m_trayIcon;
    TrayHostWatcher* m_hostWatcher;
    bool m_toldAboutMissingTray = false;
};
