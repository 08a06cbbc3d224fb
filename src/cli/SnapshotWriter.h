#pragma once

#include <QDir>
#include <QObject>

#include <chrono>

class AppDelegate;
class QTimer;

// Writes what the app shows into a folder, for a person to look at and for end-to-end tests:
// the timer window as PNG every interval (each with a JSON file that says what it shows and
// whether it is on screen), the tray menu, the tray icon and the open configuration windows.
class SnapshotWriter final : public QObject {
public:
    static constexpr std::chrono::milliseconds defaultInterval{1000};

    SnapshotWriter(AppDelegate& app, const QString& folder, QObject* parent = nullptr);

    void start(std::chrono::milliseconds interval = defaultInterval);
    void writeNow();
    // The last set, right before quitting: quitting closes the windows, and no later
    // snapshot may show them closed.
    void finish();

private:
    void writeOverlay();
    void writeMenu();
    void writeTrayIcon();
    // Every open configuration window, as window-NAME.png and window-NAME.json.
    void writeWindows();

    AppDelegate& m_app;
    QDir m_folder;
    QTimer* m_timer;
    int m_count = 0;
};
