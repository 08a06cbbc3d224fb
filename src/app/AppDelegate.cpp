#include "app/AppDelegate.h"

#include "app/AppLog.h"
#include "app/StatusItem.h"
#include "app/TalkLengthDialog.h"
#include "async/Clock.h"
#include "ontime/OntimeModel.h"
#include "overlay/OverlayHostingView.h"
#include "overlay/OverlayPanel.h"
#include "platform/OverlayWindowPlatform.h"
#include "platform/Platform.h"
#include "stagetimer/StagetimerModel.h"

#include <QTimer>

namespace {

std::unique_ptr<PowerPointWatcher> platformWatcher() {
    return std::make_unique<PowerPointWatcher>(Platform::presentationQueries());
}

} // namespace

AppDelegate::AppDelegate(std::unique_ptr<PowerPointWatcher> watcher, QObject* parent)
    : QObject(parent)
    , m_ontime(std::make_unique<OntimeModel>(m_settings))
    , m_stagetimer(std::make_unique<StagetimerModel>(m_settings))
    , m_powerpoint(watcher ? std::move(watcher) : platformWatcher())
    , m_sources(m_settings, *m_ontime, *m_stagetimer, *m_powerpoint, m_talk)
    , m_loginItem(m_settings)
    , m_windows(*this, m_state, m_settings, *m_ontime, *m_stagetimer, *m_powerpoint)
    , m_chooser(m_settings, *m_ontime, *m_stagetimer, *m_powerpoint, m_windows) {
    connect(&m_chooser, &TimerChooser::dialogShown, this, &AppDelegate::dialogShown);
    // A change the Ontime client reports shows at once, not at the next tick.
    connect(m_ontime.get(), &OntimeModel::updated, this, &AppDelegate::refreshDisplay);
    connect(m_ontime.get(), &OntimeModel::connectedChanged, this, &AppDelegate::refreshDisplay);
    connect(m_ontime.get(), &OntimeModel::statusChanged, this, &AppDelegate::refreshDisplay);
    connect(&m_flip, &FlipTimer::due, this, &AppDelegate::refreshDisplay);
}

AppDelegate::~AppDelegate() = default;

bool AppDelegate::autoShow() const {
    return m_settings.autoShow();
}

void AppDelegate::applicationDidFinishLaunching() {
    // 1–2. The timer window and what its icons and frame changes do.
    m_panel = std::make_unique<OverlayPanel>(&m_overlayModel, m_settings);
    OverlayHostingView* content = m_panel->hostingView();
    connect(content, &OverlayHostingView::gearClicked, this, &AppDelegate::showSettings);
    connect(content, &OverlayHostingView::closeClicked, this, [this] {
        m_manualShow = false;
        if (m_powerpoint->slideShowRunning())
            m_closedForShow = true;
        tick();
    });
    connect(content, &OverlayHostingView::frameChanged, m_panel.get(), &OverlayPanel::saveFrame);

    // 3. The tray item; its menu is filled each time it opens. The menu's shortcuts also work
    // in the windows that take the keyboard.
    m_statusItem = std::make_unique<StatusItem>(*this, m_state, m_settings,
                                                [this] { return m_ontime->scanning(); });
    connect(&m_windows, &ConfigurationWindows::windowCreated, m_statusItem.get(),
            &StatusItem::addShortcutsTo);
    // From the event loop, so that the dialog's modal loop does not run inside the menu's.
    connect(m_statusItem.get(), &StatusItem::otherTalkLengthRequested, this,
            &AppDelegate::askTalkLength, Qt::QueuedConnection);

    // 4. The watcher drives the talk timer and the automatic display.
    connect(m_powerpoint.get(), &PowerPointWatcher::slideShowStarted, this,
            &AppDelegate::slideShowStarted);
    connect(m_powerpoint.get(), &PowerPointWatcher::slideShowEnded, this,
            &AppDelegate::slideShowEnded);
    connect(m_powerpoint.get(), &PowerPointWatcher::slideChanged, this, &AppDelegate::slideChanged);
    m_powerpoint->start();

    // 5. Start at login, once, for an installed copy.
    registerLoginItemOnFirstLaunch();

    // 6–7. A Qt timer keeps firing while menus and modal dialogs run their own loops.
    m_ticker = new QTimer(this);
    m_ticker->setTimerType(Qt::PreciseTimer);
    m_ticker->setInterval(m_tickInterval);
    connect(m_ticker, &QTimer::timeout, this, &AppDelegate::tick);
    m_ticker->start();
    tick();
}

bool AppDelegate::isSettingsWindowVisible() const {
    return m_windows.isSettingsWindowVisible();
}

void AppDelegate::tick() {
    const bool shouldShow =
        m_manualShow || (autoShow() && m_powerpoint->slideShowRunning() && !m_closedForShow);
    if (shouldShow) {
        // Every pass, also when already visible, so that it stays above the slide show.
        if (m_panel)
            m_panel->showPanel();
        m_sources.setTimersActive(true);
    } else {
        if (m_panel && m_panel->isPanelVisible())
            m_panel->hidePanel();
        m_sources.setTimersActive(m_sources.presentationProgramOpen() || isSettingsWindowVisible());
    }
    refreshDisplay();
    m_sources.updateState(SourceSelection::display(m_settings), m_state);
    const bool visible = m_panel && m_panel->isPanelVisible();
    if (visible != m_state.overlayVisible())
        m_state.setOverlayVisible(visible);
}

void AppDelegate::refreshDisplay() {
    const SourceSelection::Display source = SourceSelection::display(m_settings);
    m_overlayModel.setDisplay(m_sources.currentDisplay(source));
    m_flip.aim(m_sources.nextChange(source));
}

void AppDelegate::slideShowStarted() {
    m_closedForShow = false;
    m_talk.reset();
    tick();
}

// The talk timer measures on the monotonic clock: a system clock set during a talk (NTP,
// a time-zone change on arrival) must not make the talk time jump.
void AppDelegate::slideChanged() {
    m_talk.slideChanged(async::Clock::instance().monotonicMs());
}

void AppDelegate::slideShowEnded() {
    m_talk.showEnded(async::Clock::instance().monotonicMs());
    tick();
    m_chooser.showEnded();
}

void AppDelegate::chooseTimer(const QList<OntimeServer>& ontimes,
                              const QList<StagetimerDesktop>& stagetimers) {
    m_chooser.chooseTimer(ontimes, stagetimers);
}

void AppDelegate::use(const TimerChoice& choice) {
    m_chooser.use(choice);
}

void AppDelegate::toggleOverlay() {
    if (m_panel && m_panel->isPanelVisible()) {
        m_manualShow = false;
        if (m_powerpoint->slideShowRunning())
            m_closedForShow = true;
    } else {
        m_manualShow = true;
        m_closedForShow = false;
    }
    tick();
}

void AppDelegate::showOverlay() {
    m_manualShow = true;
    m_closedForShow = false;
    tick();
}

void AppDelegate::resetOverlayFrame() {
    if (m_panel)
        m_panel->resetFrame();
}

void AppDelegate::showSettings() {
    m_windows.showSettings();
    // An open settings window keeps the timer sources running.
    tick();
}

void AppDelegate::showOntimeSetup() {
    m_windows.showOntimeSetup();
}

void AppDelegate::showStagetimerSetup() {
    m_windows.showStagetimerSetup();
}

void AppDelegate::searchTimers() {
    if (m_ontime->scanning())
        return;
    qCDebug(lcApp) << "search for timers, asked by the user";
    m_ontime->search(true, true);
}

void AppDelegate::askTalkLength() {
    TalkLengthDialog dialog(m_settings.talkLengthMinutes());
    // Modality before showing: Qt applies it when the window appears.
    dialog.setWindowModality(Qt::ApplicationModal);
    OverlayWindowPlatform::instance().showAboveSlideShow(&dialog);
    QTimer::singleShot(0, &dialog, [this, &dialog] { Q_EMIT dialogShown(dialog); });
    if (dialog.exec() == QDialog::Accepted)
        m_settings.setTalkLengthMinutes(dialog.minutes());
}

void AppDelegate::setLaunchAtLogin(bool enabled) {
    m_loginItem.setEnabled(enabled);
}

LoginItemStatus AppDelegate::launchAtLoginStatus() const {
    return m_loginItem.status();
}

void AppDelegate::openLoginItemSettings() {
    m_loginItem.openSystemSettings();
}

void AppDelegate::registerLoginItemOnFirstLaunch() {
    m_loginItem.registerOnFirstLaunch();
}

void AppDelegate::applicationShouldHandleReopen() {
    showSettings();
}

void AppDelegate::openAutomationSettings() {
    Platform::instance().openAutomationSettings();
}

bool AppDelegate::canOpenAutomationSettings() const {
    return Platform::instance().hasAutomationSettings();
}

void AppDelegate::returnFocusToPresentation() {
    m_windows.returnFocusToPresentation();
}
