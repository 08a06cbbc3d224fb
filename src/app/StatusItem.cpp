#include "app/StatusItem.h"

#include "app/TrayIconArt.h"
#include "l10n/Format.h"
#include "l10n/L10n.h"
#include "l10n/ProductName.h"
#include "platform/TrayHostWatcher.h"
#include "settings/AppState.h"
#include "settings/SettingsStore.h"
#include "windows/WindowCommands.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QSystemTrayIcon>

#include <algorithm>
#include <array>
#include <cstdio>

namespace {

// Slots speakers are commonly given, in minutes.
constexpr std::array<int, 7> talkLengthPresets{5, 10, 15, 20, 30, 45, 60};

} // namespace

StatusItem::StatusItem(WindowCommands& commands, const AppState& state, SettingsStore& settings,
                       std::function<bool()> searchRunning, QObject* parent)
    : QObject(parent)
    , m_commands(commands)
    , m_state(state)
    , m_settings(settings)
    , m_searchRunning(std::move(searchRunning))
    , m_menu(new QMenu)
    , m_talkLengthMenu(new QMenu(m_menu))
    , m_talkLengthChoices(new QActionGroup(m_talkLengthMenu))
    , m_settingsAction(new QAction(this))
    , m_quitAction(new QAction(this))
    , m_hostWatcher(TrayHostWatcher::create(this)) {
    m_menu->setTitle(productName());
    // Written with the command key on macOS (Qt maps Ctrl to it there) and Ctrl elsewhere;
    // the menu shows them in the interface language once Qt's translations are loaded.
    m_settingsAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Comma));
    m_settingsAction->setShortcutContext(Qt::ApplicationShortcut);
    m_settingsAction->setMenuRole(QAction::PreferencesRole);
    connect(m_settingsAction, &QAction::triggered, this, [this] { m_commands.showSettings(); });
    m_quitAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    m_quitAction->setShortcutContext(Qt::ApplicationShortcut);
    m_quitAction->setMenuRole(QAction::QuitRole);
    connect(m_quitAction, &QAction::triggered, qApp, &QCoreApplication::quit, Qt::QueuedConnection);
    // An action inside a popup menu has no window for Qt's shortcut map to match, so the
    // menu's keys are matched here while it is open.
    m_menu->installEventFilter(this);
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
    m_trayIcon = new QSystemTrayIcon(TrayIconArt::icon(TrayHostWatcher::wantsTemplateIcon()), this);
    m_trayIcon->setToolTip(productName());
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
    // clear() deletes only the rows the menu owns; the two kept actions are merely removed.
    m_menu->clear();

    QAction* source = m_menu->addAction(m_state.sourceLine());
    source->setEnabled(false);
    QAction* powerPoint = m_menu->addAction(m_state.powerPointLine());
    powerPoint->setEnabled(false);
    m_menu->addSeparator();

    QAction* toggle =
        m_menu->addAction(m_state.overlayVisible() ? L10n::lookup(u"Timer-Fenster schließen")
                                                   : L10n::lookup(u"Timer-Fenster anzeigen"));
    connect(toggle, &QAction::triggered, this, [this] { m_commands.toggleOverlay(); });

    m_settingsAction->setText(L10n::lookup(u"Einstellungen …"));
    m_menu->addAction(m_settingsAction);

    QAction* search = m_menu->addAction(L10n::lookup(u"Timer im Netzwerk suchen"));
    search->setEnabled(!m_searchRunning());
    connect(search, &QAction::triggered, this, [this] { m_commands.searchTimers(); });
    addTalkLengthRow();
    m_menu->addSeparator();

    m_quitAction->setText(L10n::fill(L10n::lookup(u"%@ beenden"), {productName()}));
    m_menu->addAction(m_quitAction);
}

void StatusItem::addTalkLengthRow() {
    const qint64 current = m_settings.talkLengthMinutes();
    m_talkLengthMenu->clear();
    m_talkLengthMenu->setTitle(current > 0
                                   ? L10n::fill(L10n::lookup(u"Redezeit: %d min"), {current})
                                   : L10n::lookup(u"Redezeit: aus"));
    const auto addChoice = [this, current](const QString& text, int minutes) {
        QAction* choice = m_talkLengthMenu->addAction(text);
        choice->setCheckable(true);
        m_talkLengthChoices->addAction(choice);
        choice->setChecked(minutes == current);
        connect(choice, &QAction::triggered, this,
                [this, minutes] { m_settings.setTalkLengthMinutes(minutes); });
    };
    addChoice(L10n::lookup(u"Aus"), 0);
    for (const int minutes : talkLengthPresets)
        addChoice(L10n::fill(L10n::lookup(u"%d min"), {minutes}), minutes);
    m_talkLengthMenu->addSeparator();
    QAction* other = m_talkLengthMenu->addAction(L10n::lookup(u"Andere …"));
    // Ticked when the length in use is none of the presets above.
    other->setCheckable(true);
    m_talkLengthChoices->addAction(other);
    other->setChecked(current > 0 && std::find(talkLengthPresets.begin(), talkLengthPresets.end(),
                                               current) == talkLengthPresets.end());
    connect(other, &QAction::triggered, this, &StatusItem::otherTalkLengthRequested);
    m_menu->addMenu(m_talkLengthMenu);
}

void StatusItem::addShortcutsTo(QWidget* window) {
    window->addAction(m_settingsAction);
    window->addAction(m_quitAction);
}

bool StatusItem::eventFilter(QObject* watched, QEvent* event) {
    if (watched != m_menu || event->type() != QEvent::KeyPress)
        return QObject::eventFilter(watched, event);
    const auto* key = static_cast<QKeyEvent*>(event);
    const QKeySequence pressed(key->keyCombination());
    for (QAction* action : {m_settingsAction, m_quitAction}) {
        if (!action->shortcut().isEmpty() && action->shortcut() == pressed) {
            m_menu->hide();
            action->trigger();
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}
