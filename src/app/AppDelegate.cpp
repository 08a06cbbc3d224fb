#include "app/AppDelegate.h"

#include "app/AlertDialog.h"
#include "app/OntimeDisplay.h"
#include "app/StagetimerDisplay.h"
#include "app/StatusItem.h"
#include "app/StatusLines.h"
#include "app/TimerChooserDialog.h"
#include "async/Clock.h"
#include "ontime/OntimeModel.h"
#include "overlay/OverlayHostingView.h"
#include "overlay/OverlayPanel.h"
#include "platform/OverlayWindowPlatform.h"
#include "platform/Platform.h"
#include "powerpoint/PowerPoint.h"
#include "powerpoint/PresentationProgram.h"
#include "settings/SettingsStore.h"
#include "stagetimer/StagetimerModel.h"
#include "windows/OntimeSetupWindow.h"
#include "windows/SettingsWindow.h"
#include "windows/StagetimerSetupWindow.h"

#include "l10n/Format.h"
#include "l10n/L10n.h"

#include <QDebug>
#include <QPointer>
#include <QTimer>

AppDelegate::AppDelegate(std::unique_ptr<PowerPointWatcher> watcher, QObject* parent)
    : QObject(parent)
    , m_ontime(std::make_unique<OntimeModel>(m_settings))
    , m_stagetimer(std::make_unique<StagetimerModel>(m_settings))
    , m_powerpoint(watcher ? std::move(watcher) : std::make_unique<PowerPointWatcher>()) {}

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

    // 3. The tray item; its menu is filled each time it opens.
    m_statusItem = std::make_unique<StatusItem>(*this);

    // 4. The two clients exclude each other; a search's result opens the chooser.
    wireClients();

    // 5. The watcher drives the talk timer and the automatic display.
    connect(m_powerpoint.get(), &PowerPointWatcher::slideShowStarted, this,
            &AppDelegate::slideShowStarted);
    connect(m_powerpoint.get(), &PowerPointWatcher::slideShowEnded, this,
            &AppDelegate::slideShowEnded);
    connect(m_powerpoint.get(), &PowerPointWatcher::slideChanged, this, &AppDelegate::slideChanged);
    m_powerpoint->start();

    // 6. Start at login, once, for an installed copy.
    registerLoginItemOnFirstLaunch();

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

PresentationStatus::State AppDelegate::presentationState() const {
    PresentationStatus::State state;
    state.permissionDenied = m_powerpoint->permissionDenied();
    state.slideShowRunning = m_powerpoint->slideShowRunning();
    state.positionKnown = m_powerpoint->positionKnown();
    state.position = m_powerpoint->position();
    state.watchesOtherPrograms = Platform::instance().watchesOtherPresentationPrograms();
    // Whether PowerPoint runs is the system's word, asked afresh; the watcher names the other
    // programs it found open.
    const bool powerPoint = powerPointRunning();
    state.program = m_powerpoint->program();
    if (powerPoint && state.program.isEmpty())
        state.program = PresentationProgram::powerPoint;
    else if (!powerPoint && !state.slideShowRunning &&
             state.program == PresentationProgram::powerPoint)
        state.program.clear();
    return state;
}

bool AppDelegate::isSettingsWindowVisible() const {
    return m_settingsWindow && m_settingsWindow->isVisible();
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
        // On Linux an open Impress, Okular or pdfpc counts like a running PowerPoint.
        const bool needed =
            powerPointRunning() || m_powerpoint->programOpen() || isSettingsWindowVisible();
        if (needed && !m_timersActive) {
            m_timersActive = true;
            startTimers();
        } else if (!needed && m_timersActive) {
            m_timersActive = false;
            stopTimers();
        }
    }
    const SourceSelection::Display source = SourceSelection::display(m_settings);
    m_overlayModel.setDisplay(currentDisplay(source));
    updateState(source);
}

void AppDelegate::wireClients() {
    // At most one network source is connected: connecting one ends the other.
    connect(m_ontime.get(), &OntimeModel::connectionMade, m_stagetimer.get(),
            &StagetimerModel::disconnect);
    connect(m_stagetimer.get(), &StagetimerModel::connectionMade, m_ontime.get(),
            &OntimeModel::disconnect);
    // The client offers its finds from inside its scan task; the modal chooser must run from
    // the event loop instead, after the task has finished its step.
    connect(m_ontime.get(), &OntimeModel::choiceOffered, this, &AppDelegate::chooseTimer,
            Qt::QueuedConnection);
}

void AppDelegate::startTimers() {
    switch (SourceSelection::activation(m_settings)) {
    case SourceSelection::Activation::stagetimer:
        m_stagetimer->start();
        break;
    case SourceSelection::Activation::ontime:
        m_ontime->start();
        break;
    case SourceSelection::Activation::search:
        // With the internal timer in use, every activation looks for timers on the network
        // until it finds some or the sources stop.
        m_ontime->search(true, true);
        break;
    }
}

void AppDelegate::stopTimers() {
    // The enabled flags stay, so that the next activation reconnects.
    m_ontime->suspend();
    m_stagetimer->suspend();
}

TimerDisplay AppDelegate::currentDisplay(SourceSelection::Display source) const {
    switch (source) {
    case SourceSelection::Display::stagetimer:
        return stagetimerDisplay(*m_stagetimer);
    case SourceSelection::Display::ontime:
        return ontimeDisplay(*m_ontime);
    case SourceSelection::Display::internalTimer:
        break;
    }
    return m_talk.display(m_powerpoint->slideShowRunning(), async::Clock::instance().monotonicMs());
}

void AppDelegate::updateState(SourceSelection::Display source) {
    switch (source) {
    case SourceSelection::Display::stagetimer:
        m_state.setSourceLine(StatusLines::stagetimer(m_stagetimer->status()));
        m_state.setSourceOK(m_stagetimer->connected());
        break;
    case SourceSelection::Display::ontime:
        m_state.setSourceLine(ontimeSourceLine(*m_ontime));
        m_state.setSourceOK(ontimeSourceOK(*m_ontime));
        break;
    case SourceSelection::Display::internalTimer:
        m_state.setSourceLine(m_ontime->scanning() ? StatusLines::internalTimerSearching()
                                                   : StatusLines::internalTimer());
        m_state.setSourceOK(true);
        break;
    }
    m_state.setPermissionDenied(m_powerpoint->permissionDenied());
    m_state.setPowerPointLine(PresentationStatus::line(presentationState()));
    const bool visible = m_panel && m_panel->isPanelVisible();
    if (visible != m_state.overlayVisible())
        m_state.setOverlayVisible(visible);
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
    // A chooser that waited for the show comes now; from the event loop, so that its modal
    // loop does not run inside the watcher's report.
    if (m_pendingChoice) {
        QPointer<AppDelegate> self(this);
        QMetaObject::invokeMethod(
            this,
            [self, request = *std::exchange(m_pendingChoice, std::nullopt)] {
                if (self)
                    self->chooseTimer(request.first, request.second);
            },
            Qt::QueuedConnection);
    }
}

void AppDelegate::chooseTimer(const QList<OntimeServer>& ontimes,
                              const QList<StagetimerDesktop>& stagetimers) {
    const QList<TimerChoice> choices = TimerChoice::list(ontimes, stagetimers);
    if (choices.size() < 2)
        return;
    if (m_powerpoint->slideShowRunning() && !isSettingsWindowVisible()) {
        m_pendingChoice = ChooserRequest{ontimes, stagetimers};
        return;
    }
    if (!m_powerpoint->hasReported() && !isSettingsWindowVisible()) {
        // Right after start the watcher has not answered yet, and a show may be running: ask
        // again once it has, rather than put a dialog over the slides.
        m_pendingChoice = ChooserRequest{ontimes, stagetimers};
        QPointer<AppDelegate> self(this);
        QTimer::singleShot(PowerPointWatcher::defaultInterval / 5, this, [self] {
            if (self && self->m_pendingChoice && !self->m_powerpoint->slideShowRunning()) {
                const ChooserRequest request = *std::exchange(self->m_pendingChoice, std::nullopt);
                self->chooseTimer(request.first, request.second);
            }
        });
        return;
    }
    // The user is already choosing; a second dialog on top of the first would only confuse.
    if (m_chooserOpen)
        return;
    m_chooserOpen = true;
    QPointer<AppDelegate> self(this);
    TimerChooserDialog dialog(choices,
                              TimerChoice::preselected(choices, m_settings.isInternalSource()));
    const bool accepted = runDialog(dialog) == QDialog::Accepted;
    if (!self)
        return;
    m_chooserOpen = false;
    if (accepted) {
        if (const std::optional<TimerChoice> choice = dialog.chosen())
            use(*choice);
    }
    returnFocusToPresentation();
}

void AppDelegate::use(const TimerChoice& choice) {
    switch (choice.kind) {
    case TimerChoice::Kind::ontime:
        // Connecting stores Ontime as the source and, through onConnected, ends Stagetimer.
        m_ontime->connect(choice.server);
        return;
    case TimerChoice::Kind::stagetimer: {
        const QString address = choice.desktop.host + u':' + QString::number(choice.desktop.port);
        if (!choice.desktop.apiV1) {
            AlertDialog alert(
                L10n::lookup(u"Stagetimer-App zu alt"),
                L10n::fill(L10n::lookup(u"Die Stagetimer-Desktop-App auf %@ unterstützt die API "
                                        u"v1 noch nicht. Bitte Stagetimer aktualisieren."),
                           {address}));
            runDialog(alert);
            return;
        }
        m_stagetimer->setServer(address);
        if (!m_settings.stagetimerRoom().isEmpty() && !m_settings.stagetimerKey().isEmpty())
            m_stagetimer->connect();
        else
            showStagetimerSetup();
        return;
    }
    case TimerChoice::Kind::internalTimer:
        m_ontime->disconnect();
        m_stagetimer->disconnect();
        m_settings.setString(SettingsKey::timerSource, QStringLiteral("internal"));
        return;
    }
}

int AppDelegate::runDialog(AlertDialog& dialog) {
    // Modality before showing: Qt applies it when the window appears.
    dialog.setWindowModality(Qt::ApplicationModal);
    OverlayWindowPlatform::instance().showAboveSlideShow(&dialog);
    QTimer::singleShot(0, &dialog, [this, &dialog] { Q_EMIT dialogShown(dialog); });
    // The ticker keeps firing inside this loop, so the timer window stays current.
    return dialog.exec();
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

void AppDelegate::addMenuShortcuts(QWidget* window) {
    if (m_statusItem)
        m_statusItem->addShortcutsTo(window);
}

void AppDelegate::showSettings() {
    if (!m_settingsWindow) {
        m_settingsWindow =
            std::make_unique<SettingsWindow>(*this, m_state, *m_ontime, *m_stagetimer, m_settings);
        addMenuShortcuts(m_settingsWindow.get());
    }
    OverlayWindowPlatform::instance().showAboveSlideShow(m_settingsWindow.get());
    // An open settings window keeps the timer sources running.
    tick();
}

void AppDelegate::showOntimeSetup() {
    if (!m_ontimeSetup) {
        m_ontimeSetup = std::make_unique<OntimeSetupWindow>(*m_ontime, m_settings);
        addMenuShortcuts(m_ontimeSetup.get());
    }
    OverlayWindowPlatform::instance().showAboveSlideShow(m_ontimeSetup.get());
}

void AppDelegate::showStagetimerSetup() {
    if (!m_stagetimerSetup) {
        m_stagetimerSetup = std::make_unique<StagetimerSetupWindow>(*m_stagetimer, m_settings);
        addMenuShortcuts(m_stagetimerSetup.get());
    }
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
    m_settings.setBool(SettingsKey::launchAtLogin, enabled);
}

void AppDelegate::registerLoginItemOnFirstLaunch() {
    // Once the user's wish is stored, it is theirs; a copy run from elsewhere (a download,
    // the build folder) asks again at its next launch.
    if (m_settings.hasLaunchAtLogin())
        return;
    if (Platform::instance().isInstalledCopy())
        setLaunchAtLogin(true);
}

void AppDelegate::applicationShouldHandleReopen() {
    showSettings();
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
