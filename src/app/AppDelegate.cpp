#include "app/AppDelegate.h"

#include "app/SettingsStore.h"
#include "app/StatusItem.h"
#include "app/StatusLines.h"
#include "async/Clock.h"
#include "ontime/OntimeModel.h"
#include "overlay/OverlayHostingView.h"
#include "overlay/OverlayPanel.h"
#include "platform/OverlayWindowPlatform.h"
#include "platform/Platform.h"
#include "powerpoint/PowerPoint.h"
#include "stagetimer/StagetimerModel.h"
#include "windows/OntimeSetupWindow.h"
#include "windows/SettingsWindow.h"
#include "windows/StagetimerSetupWindow.h"

#include <QDebug>
#include <QTimer>

AppDelegate::AppDelegate(std::unique_ptr<PowerPointWatcher> watcher, QObject* parent)
    : QObject(parent)
    , m_ontime(std::make_unique<OntimeModel>())
    , m_stagetimer(std::make_unique<StagetimerModel>())
    , m_powerpoint(watcher ? std::move(watcher) : std::make_unique<PowerPointWatcher>()) {}

AppDelegate::~AppDelegate() = default;

bool AppDelegate::autoShow() const {
    return SettingsStore().autoShow();
}

void AppDelegate::applicationDidFinishLaunching() {
    // 1–2. The timer window and what its icons and frame changes do.
    m_panel = std::make_unique<OverlayPanel>(&m_overlayModel);
    QPointer<AppDelegate> self(this);
    OverlayHostingView* content = m_panel->hostingView();
    content->onGear = [self] {
        if (self)
            self->showSettings();
    };
    content->onClose = [self] {
        if (!self)
            return;
        self->m_manualShow = false;
        if (self->m_powerpoint->slideShowRunning())
            self->m_closedForShow = true;
        self->tick();
    };
    content->onFrameChanged = [self] {
        if (self && self->m_panel)
            self->m_panel->saveFrame();
    };

    // 3. The tray item; its menu is filled each time it opens.
    m_statusItem = std::make_unique<StatusItem>(*this);

    // 5. The watcher drives the talk timer and the automatic display.
    m_powerpoint->onSlideShowStart = [self] {
        if (self)
            self->slideShowStarted();
    };
    m_powerpoint->onSlideShowEnd = [self] {
        if (self)
            self->slideShowEnded();
    };
    m_powerpoint->onSlideChange = [self] {
        if (self)
            self->slideChanged();
    };
    m_powerpoint->start();

    // 6. Start at login, once, for an installed copy.
    if (onFirstLaunch)
        onFirstLaunch();

    // 7–8. A Qt timer keeps firing while menus and modal dialogs run their own loops.
    m_ticker = new QTimer(this);
    m_ticker->setTimerType(Qt::PreciseTimer);
    m_ticker->setInterval(m_tickInterval);
    connect(m_ticker, &QTimer::timeout, this, &AppDelegate::tick);
    m_ticker->start();
    tick();
}

bool AppDelegate::powerPointRunning() const {
    return Platform::instance().isApplicationRunning(PowerPoint::bundleIdentifier);
}

bool AppDelegate::isSettingsWindowVisible() const {
    return m_settings && m_settings->isVisible();
}

void AppDelegate::tick() {
    const bool shouldShow =
        m_manualShow || (autoShow() && m_powerpoint->slideShowRunning() && !m_closedForShow);
    if (shouldShow) {
        // Every pass, also when already visible, so that it stays above the slide show.
        if (m_panel)
            m_panel->showPanel();
        if (!m_timersActive) {
            m_timersActive = true;
            startTimers();
        }
    } else {
        if (m_panel && m_panel->isPanelVisible())
            m_panel->hidePanel();
        const bool needed = powerPointRunning() || isSettingsWindowVisible();
        if (needed && !m_timersActive) {
            m_timersActive = true;
            startTimers();
        } else if (!needed && m_timersActive) {
            m_timersActive = false;
            stopTimers();
        }
    }
    m_overlayModel.setDisplay(currentDisplay());
    updateState();
}

void AppDelegate::startTimers() {
    if (onStartTimers)
        onStartTimers();
}

void AppDelegate::stopTimers() {
    if (onStopTimers)
        onStopTimers();
}

TimerDisplay AppDelegate::currentDisplay() const {
    return m_talk.display(m_powerpoint->slideShowRunning(), async::Clock::instance().nowMs());
}

void AppDelegate::updateState() {
    m_state.setSourceLine(StatusLines::internalTimer());
    m_state.setSourceOK(true);
    m_state.setPermissionDenied(m_powerpoint->permissionDenied());
    m_state.setPowerPointLine(
        StatusLines::powerPoint(m_powerpoint->permissionDenied(), m_powerpoint->slideShowRunning(),
                                m_powerpoint->position(), powerPointRunning()));
    const bool visible = m_panel && m_panel->isPanelVisible();
    if (visible != m_state.overlayVisible())
        m_state.setOverlayVisible(visible);
}

void AppDelegate::slideShowStarted() {
    m_closedForShow = false;
    m_talk.reset();
    tick();
}

void AppDelegate::slideChanged() {
    m_talk.slideChanged(async::Clock::instance().nowMs());
}

void AppDelegate::slideShowEnded() {
    m_talk.showEnded(async::Clock::instance().nowMs());
    tick();
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
    if (!m_settings)
        m_settings = std::make_unique<SettingsWindow>(*this, m_state, *m_ontime, *m_stagetimer);
    OverlayWindowPlatform::instance().showAboveSlideShow(m_settings.get());
    // An open settings window keeps the timer sources running.
    tick();
}

void AppDelegate::showOntimeSetup() {
    if (!m_ontimeSetup)
        m_ontimeSetup = std::make_unique<OntimeSetupWindow>(*m_ontime);
    OverlayWindowPlatform::instance().showAboveSlideShow(m_ontimeSetup.get());
}

void AppDelegate::showStagetimerSetup() {
    if (!m_stagetimerSetup)
        m_stagetimerSetup = std::make_unique<StagetimerSetupWindow>(*m_stagetimer);
    OverlayWindowPlatform::instance().showAboveSlideShow(m_stagetimerSetup.get());
}

void AppDelegate::searchTimers() {
    if (m_ontime->scanning())
        return;
    m_ontime->search(true, true);
}

void AppDelegate::setLaunchAtLogin(bool enabled) {
    QString error;
    if (!Platform::instance().setLoginItemEnabled(enabled, &error))
        qWarning().noquote() << QStringLiteral("Login item: ") + error;
    SettingsStore().setBool(SettingsKey::launchAtLogin, enabled);
}

bool AppDelegate::launchAtLoginStatus() const {
    return Platform::instance().loginItemEnabled();
}

void AppDelegate::openAutomationSettings() {
    Platform::instance().openAutomationSettings();
}

void AppDelegate::returnFocusToPresentation() {
    if (m_powerpoint->slideShowRunning())
        Platform::instance().activateApplication(PowerPoint::bundleIdentifier);
}
