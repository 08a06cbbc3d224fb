#include "cli/SnapshotWriter.h"

#include "app/AppDelegate.h"
#include "app/StatusItem.h"
#include "app/TrayIconArt.h"
#include "cli/JsonLine.h"
#include "overlay/OverlayPanel.h"
#include "overlay/OverlayView.h"
#include "windows/OntimeSetupWindow.h"
#include "windows/SettingsWindow.h"
#include "windows/StagetimerSetupWindow.h"
#include "windows/WindowSnapshot.h"

#include <QFile>
#include <QImage>
#include <QMenu>
#include <QTimer>

SnapshotWriter::SnapshotWriter(AppDelegate& app, const QString& folder, QObject* parent)
    : QObject(parent)
    , m_app(app)
    , m_folder(folder)
    , m_timer(new QTimer(this)) {
    m_folder.mkpath(QStringLiteral("."));
    connect(m_timer, &QTimer::timeout, this, &SnapshotWriter::writeNow);
}

void SnapshotWriter::start(std::chrono::milliseconds interval) {
    m_timer->start(interval);
}

void SnapshotWriter::writeNow() {
    ++m_count;
    writeOverlay();
    writeMenu();
    writeWindows();
    if (m_count == 1)
        writeTrayIcon();
}

void SnapshotWriter::finish() {
    m_timer->stop();
    writeNow();
}

void SnapshotWriter::writeOverlay() {
    OverlayPanel* panel = m_app.panel();
    if (!panel)
        return;
    const QString name = QStringLiteral("overlay-%1").arg(m_count, 3, 10, QLatin1Char('0'));
    // Twice the window's size, so that the picture is as crisp as on a Retina screen.
    panel->view()
        ->renderToImage(panel->size(), 2.0)
        .save(m_folder.filePath(name + QStringLiteral(".png")));

    const TimerDisplay& display = m_app.overlayModel().display();
    const QString line = JsonLine()
                             .add(QStringLiteral("visible"), panel->isPanelVisible())
                             .add(QStringLiteral("width"), panel->width())
                             .add(QStringLiteral("height"), panel->height())
                             .addDisplay(display)
                             .toString();
    QFile file(m_folder.filePath(name + QStringLiteral(".json")));
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(line.toUtf8() + '\n');
}

void SnapshotWriter::writeTrayIcon() {
    TrayIconArt::pixmap(64, TrayIconArt::wantsTemplate(), 2.0)
        .save(m_folder.filePath(QStringLiteral("tray-icon.png")));
}

void SnapshotWriter::writeMenu() {
    StatusItem* item = m_app.statusItem();
    if (!item)
        return;
    item->rebuildMenu();
    QMenu* menu = item->menu();
    menu->adjustSize();
    menu->grab().save(m_folder.filePath(QStringLiteral("menu.png")));
}

void SnapshotWriter::writeWindows() {
    const std::pair<QWidget*, QString> windows[] = {
        {m_app.settingsWindow(), QStringLiteral("settings")},
        {m_app.ontimeSetupWindow(), QStringLiteral("ontime")},
        {m_app.stagetimerSetupWindow(), QStringLiteral("stagetimer")},
    };
    for (const auto& [window, name] : windows)
        if (window && window->isVisible())
            WindowSnapshot::write(window, m_folder, name);
}
