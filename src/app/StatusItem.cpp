#include "app/StatusItem.h"

#include "app/AppDelegate.h"
#include "app/TrayIconArt.h"
#include "l10n/Format.h"
#include "l10n/L10n.h"
#include "overlay/OverlayPanel.h"
#include "platform/TrayHostWatcher.h"

#include <QApplication>
#include <QMenu>
#include <QSystemTrayIcon>

#include <cstdio>

namespace {

const QString displayName = QStringLiteral("Tessaly Kalvane");

} // namespace

StatusItem::StatusItem(AppDelegate& app, QObject* parent)
    : QObject(parent)
    , m_app(app)
    , m_menu(new QMenu)
    , m_hostWatcher(TrayHostWatcher::create(this)) {
    m_menu->setTitle(displayName);
    // Filled each time it opens, so its status rows are at most a quarter second old.
    connect(m_menu, &QMenu::aboutToShow, this, &StatusItem::rebuildMenu);
    rebuildMenu();

    connect(m_hostWatcher, &TrayHostWatcher::appeared, this,
            [this] { trayAvailabilityChanged(true); });
    trayAvailabilityChanged(m_hostWatcher->isAvailable());
}

StatusItem::~StatusItem() {
    delete m_trayIcon;
    delete m_menu;
}

void StatusItem::trayAvailabilityChanged(bool available) {
    if (available) {
        createTrayIcon();
        return;
    }
    if (!m_toldAboutMissingTray) {
        m_toldAboutMissingTray = true;
        const QByteArray text =
            L10n::lookup(u"Kein Infobereich für das Symbol gefunden – Tessaly Kalvane läuft "
                         u"trotzdem; das Symbol erscheint, sobald es einen Infobereich gibt.")
                .toLocal8Bit();
        std::fprintf(stderr, "%s\n", text.constData());
    }
}

void StatusItem::createTrayIcon() {
    if (m_trayIcon)
        return;
    m_trayIcon = new QSystemTrayIcon(TrayIconArt::icon(TrayIconArt::wantsTemplate()), this);
    m_trayIcon->setToolTip(displayName);
    m_trayIcon->setContextMenu(m_menu);
    // Linux trays report a plain click as activation; show the menu then too, as the menu
    // bar does on macOS.
    connect(m_trayIcon, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                if (reason == QSystemTrayIcon::Trigger && !m_menu->isVisible())
                    m_menu->popup(QCursor::pos());
            });
    m_trayIcon->show();
}

void StatusItem::rebuildMenu() {
    m_menu->clear();

    QAction* source = m_menu->addAction(m_app.state().sourceLine());
    source->setEnabled(false);
    QAction* powerPoint = m_menu->addAction(m_app.state().powerPointLine());
    powerPoint->setEnabled(false);
    m_menu->addSeparator();

    const bool visible = m_app.panel() && m_app.panel()->isPanelVisible();
    QAction* toggle = m_menu->addAction(visible ? L10n::lookup(u"Timer-Fenster schließen")
                                                : L10n::lookup(u"Timer-Fenster anzeigen"));
    connect(toggle, &QAction::triggered, &m_app, &AppDelegate::toggleOverlay);
    m_menu->addSeparator();

    QAction* quit = m_menu->addAction(L10n::fill(L10n::lookup(u"%@ beenden"), {displayName}));
    quit->setShortcut(QKeySequence::Quit);
    quit->setMenuRole(QAction::QuitRole);
    connect(quit, &QAction::triggered, qApp, &QCoreApplication::quit, Qt::QueuedConnection);
}
