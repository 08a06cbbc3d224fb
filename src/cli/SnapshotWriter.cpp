#include "cli/SnapshotWriter.h"

#include "app/AlertDialog.h"
#include "app/AppDelegate.h"
#include "app/StatusItem.h"
#include "app/TalkLengthDialog.h"
#include "app/TimerChooserDialog.h"
#include "app/TrayIconArt.h"
#include "cli/JsonLine.h"
#include "ontime/OntimeModel.h"
#include "overlay/OverlayPanel.h"
#include "overlay/OverlayView.h"
#include "platform/TrayHostWatcher.h"
#include "settings/SettingsStore.h"
#include "windows/OntimeSetupWindow.h"
#include "windows/SettingsWindow.h"
#include "windows/StagetimerSetupWindow.h"
#include "windows/WindowSnapshot.h"

#include <QAction>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMenu>
#include <QPainter>
#include <QTimer>

#include <cstdio>

namespace {

QString numbered(const QString& prefix, int number) {
    return prefix + QStringLiteral("-%1").arg(number, 3, 10, QLatin1Char('0'));
}

// Twice the widget's size, as crisp as on a Retina screen.
QImage picture(QWidget& widget) {
    constexpr qreal scale = 2.0;
    QImage image(widget.size() * scale, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(scale);
    image.fill(Qt::transparent);
    widget.render(&image);
    return image;
}

// The rows of a menu as it would open now; a row that opens a submenu carries its rows, and a
// row that can be ticked says whether it is.
QJsonArray rowsOf(const QMenu& menu) {
    QJsonArray rows;
    const QList<QAction*> actions = menu.actions();
    for (const QAction* action : actions) {
        QJsonObject row{
            {QStringLiteral("title"), action->isSeparator() ? QString() : action->text()},
            {QStringLiteral("enabled"), action->isEnabled()},
            {QStringLiteral("shortcut"), action->shortcut().toString(QKeySequence::NativeText)},
            {QStringLiteral("separator"), action->isSeparator()},
        };
        if (action->isCheckable())
            row.insert(QStringLiteral("checked"), action->isChecked());
        if (const QMenu* submenu = action->menu())
            row.insert(QStringLiteral("submenu"), rowsOf(*submenu));
        rows.append(row);
    }
    return rows;
}

// The menu with the first of its submenus open beside that submenu's row, as it looks while
// the pointer rests there; nothing when the menu has none.
QImage withSubmenu(QMenu& menu) {
    const QList<QAction*> actions = menu.actions();
    const auto row = std::find_if(actions.cbegin(), actions.cend(),
                                  [](const QAction* action) { return action->menu() != nullptr; });
    if (row == actions.cend())
        return {};
    QMenu* submenu = (*row)->menu();
    submenu->adjustSize();
    const QPixmap main = menu.grab();
    const QPixmap sub = submenu->grab();
    // Qt lets a submenu overlap its parent by a few pixels and lines its first row up with the
    // row that opened it.
    constexpr int overlap = 2;
    const QRect rowRect = menu.actionGeometry(*row);
    const QPoint subOrigin(menu.width() - overlap,
                           rowRect.top() - submenu->contentsMargins().top());
    const QSize size(subOrigin.x() + submenu->width(),
                     std::max(menu.height(), subOrigin.y() + submenu->height()));
    const qreal scale = main.devicePixelRatio();
    QImage image(size * scale, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(scale);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.drawPixmap(QPoint(0, 0), main);
    painter.drawPixmap(subOrigin, sub);
    return image;
}

} // namespace

SnapshotWriter::SnapshotWriter(AppDelegate& app, const QString& folder, QObject* parent)
    : QObject(parent)
    , m_app(app)
    , m_folder(folder)
    , m_timer(new QTimer(this)) {
    const QFileInfo info(m_folder.absolutePath());
    if (!m_folder.mkpath(QStringLiteral(".")) || !info.isDir() || !info.isWritable())
        reportUnwritable();
    connect(m_timer, &QTimer::timeout, this, &SnapshotWriter::writeNow);
}

void SnapshotWriter::reportUnwritable() {
    if (m_reportedUnwritable)
        return;
    m_reportedUnwritable = true;
    std::fprintf(stderr, "kalvane: cannot write snapshots into %s\n",
                 qPrintable(QDir::toNativeSeparators(m_folder.absolutePath())));
}

void SnapshotWriter::start(std::chrono::milliseconds interval) {
    m_timer->start(interval);
}

void SnapshotWriter::writeNow() {
    ++m_count;
    writeOverlay();
    writeMenu();
    writeWindows();
    writeStatus();
    writeMenuRows();
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
    if (!panel->view()
             ->renderToImage(panel->size(), 2.0)
             .save(m_folder.filePath(name + QStringLiteral(".png"))))
        reportUnwritable();

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
    TrayIconArt::pixmap(64, TrayHostWatcher::wantsTemplateIcon(), 2.0)
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
    const QImage open = withSubmenu(*menu);
    if (!open.isNull())
        open.save(m_folder.filePath(QStringLiteral("menu-submenu.png")));
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

void SnapshotWriter::writeJson(const QString& name, const QByteArray& json) {
    QFile file(m_folder.filePath(name));
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(json);
}

void SnapshotWriter::writeStatus() {
    const AppState& state = m_app.state();
    const QString line =
        JsonLine()
            .add(QStringLiteral("sourceLine"), state.sourceLine())
            .add(QStringLiteral("sourceOK"), state.sourceOK())
            .add(QStringLiteral("powerPointLine"), state.powerPointLine())
            .add(QStringLiteral("permissionDenied"), state.permissionDenied())
            .add(QStringLiteral("overlayVisible"), state.overlayVisible())
            .add(QStringLiteral("scanning"), m_app.ontime().scanning())
            .add(QStringLiteral("settingsVisible"), m_app.isSettingsWindowVisible())
            .add(QStringLiteral("talkLengthMinutes"), m_app.settings().talkLengthMinutes())
            .toString();
    writeJson(numbered(QStringLiteral("status"), m_count) + QStringLiteral(".json"),
              line.toUtf8() + '\n');
}

void SnapshotWriter::writeMenuRows() {
    StatusItem* item = m_app.statusItem();
    if (!item)
        return;
    // The menu as it would open now; writeMenu rebuilt it a moment ago.
    writeJson(QStringLiteral("menu.json"),
              QJsonDocument(QJsonObject{{QStringLiteral("rows"), rowsOf(*item->menu())}}).toJson());
}

void SnapshotWriter::writeDialog(AlertDialog& dialog) {
    QJsonObject description{
        {QStringLiteral("message"), dialog.message()},
        {QStringLiteral("informative"), dialog.informative()},
    };
    QString name;
    if (auto* chooser = qobject_cast<TimerChooserDialog*>(&dialog)) {
        name = numbered(QStringLiteral("chooser"), ++m_choosers);
        description.insert(QStringLiteral("choices"),
                           QJsonArray::fromStringList(chooser->labels()));
        description.insert(QStringLiteral("selected"), chooser->selectedIndex());
    } else if (auto* talkLength = qobject_cast<TalkLengthDialog*>(&dialog)) {
        name = numbered(QStringLiteral("talk-length"), ++m_talkLengthDialogs);
        description.insert(QStringLiteral("minutes"), talkLength->minutes());
    } else {
        name = numbered(QStringLiteral("alert"), ++m_alerts);
    }
    picture(dialog).save(m_folder.filePath(name + QStringLiteral(".png")));
    writeJson(name + QStringLiteral(".json"), QJsonDocument(description).toJson());
}
