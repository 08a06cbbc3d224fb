#pragma once

#include <QDir>
#include <QObject>

#include <chrono>

class AlertDialog;
class AppDelegate;
class QTimer;

// Writes what the app shows into a folder, for a person to look at and for end-to-end tests:
// the timer window as PNG every interval (each with a JSON file that says what it shows and
// whether it is on screen), the status record, the tray menu (also with its submenu open), the
// tray icon and the open configuration windows; and each dialog as it opens.
class SnapshotWriter final : public QObject {
public:
    static constexpr std::chrono::milliseconds defaultInterval{1000};

    SnapshotWriter(AppDelegate& app, const QString& folder, QObject* parent = nullptr);

    void start(std::chrono::milliseconds interval = defaultInterval);
    void writeNow();
    // The last set, right before quitting: quitting closes the windows, and no later
    // snapshot may show them closed.
    void finish();
    // The dialog on screen now: chooser-NNN, talk-length-NNN or alert-NNN, a PNG and a JSON
    // file.
    void writeDialog(AlertDialog& dialog);

private:
    void writeOverlay();
    void writeMenu();
    void writeTrayIcon();
    // Every open configuration window, as window-NAME.png and window-NAME.json.
    void writeWindows();
    void writeStatus();
    void writeMenuRows();
    void writeJson(const QString& name, const QByteArray& json);
    // Says once on standard error that the folder cannot take the snapshots.
    void reportUnwritable();

    AppDelegate& m_app;
    QDir m_folder;
    QTimer* m_timer;
    int m_count = 0;
    int m_choosers = 0;
    int m_alerts = 0;
    int m_talkLengthDialogs = 0;
    bool m_reportedUnwritable = false;
};
