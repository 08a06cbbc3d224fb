#pragma once

#include <QWidget>

class AppState;
class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class SecondaryText;
class SettingsStore;
class WindowCommands;

// The settings window's groups on the program itself: PowerPoint (what the watcher sees, the
// way to a withheld permission, starting at login) and the interface language.
class GeneralSection final : public QWidget {
    Q_OBJECT
public:
    GeneralSection(WindowCommands& app, const AppState& state, SettingsStore& settings,
                   QWidget* parent = nullptr);

Q_SIGNALS:
    // The permission button and its hint, or the approval row of the login item, appeared or
    // disappeared: the window fits its height.
    void rowsChanged();

protected:
    void showEvent(QShowEvent* event) override;

private:
    QWidget* buildPowerPointGroup();
    QWidget* buildLoginItemPendingRow();
    QWidget* buildLanguageGroup();
    void bind();

    void refreshPowerPoint();
    void refreshLanguage();
    void refreshLaunchAtLogin();
    void switchLaunchAtLogin(bool on);

    WindowCommands& m_app;
    const AppState& m_state;
    SettingsStore& m_settings;

    QLabel* m_powerPointLine = nullptr;
    QPushButton* m_grantPermission = nullptr;
    SecondaryText* m_permissionHint = nullptr;
    QCheckBox* m_launchAtLogin = nullptr;
    // Below the switch while the login item waits for the user's approval.
    QWidget* m_loginItemPending = nullptr;
    QComboBox* m_language = nullptr;
};
