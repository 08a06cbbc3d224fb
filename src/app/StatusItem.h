#pragma once

#include <QObject>
#include <QPointer>
#include <QSystemTrayIcon>

#include <functional>

class AppState;
class QAction;
class QActionGroup;
class QMenu;
class QWidget;
class SettingsStore;
class TrayHostWatcher;
class WindowCommands;

// The tray icon and its menu. The menu is rebuilt from the status record each time it opens;
// its rows call `commands`. One row sets the speaker's talk length from a submenu of presets.
// Where the desktop has no tray yet, the icon is added as soon as a tray appears.
class StatusItem final : public QObject {
    Q_OBJECT
public:
    // `searchRunning` tells whether a network search runs now, which greys out the search row.
    StatusItem(WindowCommands& commands, const AppState& state, SettingsStore& settings,
               std::function<bool()> searchRunning, QObject* parent = nullptr);
    ~StatusItem() override;

    // The menu as it would open now.
    QMenu* menu() const { return m_menu; }
    // The talk length row's submenu.
    QMenu* talkLengthMenu() const { return m_talkLengthMenu; }
    void rebuildMenu();
    // The menu's shortcuts ("Einstellungen …", quit) also work while `window` has the keyboard.
    void addShortcutsTo(QWidget* window);

Q_SIGNALS:
    // The user wants a talk length that no preset offers.
    void otherTalkLengthRequested();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void trayAvailabilityChanged(bool available);
    void createTrayIcon();
    void addTalkLengthRow();

    WindowCommands& m_commands;
    const AppState& m_state;
    SettingsStore& m_settings;
    std::function<bool()> m_searchRunning;
    QMenu* m_menu;
    // Kept and refilled, so that rebuilding the menu every second leaves nothing behind.
    QMenu* m_talkLengthMenu;
    // Makes its rows one choice, drawn as radio buttons.
    QActionGroup* m_talkLengthChoices;
    // Kept across rebuilds, so that the windows that carry their shortcuts keep them.
    QAction* m_settingsAction;
    QAction* m_quitAction;
    QPointer<QSystemTrayIcon> m_trayIcon;
    TrayHostWatcher* m_hostWatcher;
    bool m_toldAboutMissingTray = false;
};
