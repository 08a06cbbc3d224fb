#include "app/TimerSources.h"

#include "app/AppLog.h"
#include "app/OntimeDisplay.h"
#include "app/StagetimerDisplay.h"
#include "app/StatusLines.h"
#include "app/TalkTimer.h"
#include "async/Clock.h"
#include "ontime/OntimeModel.h"
#include "platform/Platform.h"
#include "powerpoint/PowerPoint.h"
#include "powerpoint/PowerPointWatcher.h"
#include "powerpoint/PresentationProgram.h"
#include "settings/AppState.h"
#include "settings/SettingsStore.h"
#include "stagetimer/StagetimerModel.h"

TimerSources::TimerSources(const SettingsStore& settings, OntimeModel& ontime,
                           StagetimerModel& stagetimer, const PowerPointWatcher& watcher,
                           const TalkTimer& talk)
    : m_settings(settings)
    , m_ontime(ontime)
    , m_stagetimer(stagetimer)
    , m_watcher(watcher)
    , m_talk(talk) {
    // At most one network source is connected: connecting one ends the other.
    QObject::connect(&m_ontime, &OntimeModel::connectionMade, &m_stagetimer,
                     &StagetimerModel::disconnect);
    QObject::connect(&m_stagetimer, &StagetimerModel::connectionMade, &m_ontime,
                     &OntimeModel::disconnect);
}

void TimerSources::setTimersActive(bool active) {
    if (active == m_timersActive)
        return;
    m_timersActive = active;
    if (active)
        startTimers();
    else
        stopTimers();
}

void TimerSources::startTimers() {
    switch (SourceSelection::activation(m_settings)) {
    case SourceSelection::Activation::stagetimer:
        qCDebug(lcApp) << "sources start: Stagetimer";
        m_stagetimer.start();
        break;
    case SourceSelection::Activation::ontime:
        qCDebug(lcApp) << "sources start: Ontime";
        m_ontime.start();
        break;
    case SourceSelection::Activation::search:
        // With the internal timer in use, every activation looks for timers on the network
        // until it finds some or the sources stop.
        qCDebug(lcApp) << "sources start: search for timers";
        m_ontime.search(true, true);
        break;
    }
}

void TimerSources::stopTimers() {
    qCDebug(lcApp) << "sources stop";
    // The enabled flags stay, so that the next activation reconnects.
    m_ontime.suspend();
    m_stagetimer.suspend();
}

bool TimerSources::powerPointRunning() const {
    return Platform::instance().isApplicationRunning(PowerPoint::bundleIdentifier);
}

bool TimerSources::presentationProgramOpen() const {
    // On Linux an open Impress, Okular or pdfpc counts like a running PowerPoint.
    return powerPointRunning() || m_watcher.programOpen();
}

TimerDisplay TimerSources::currentDisplay(SourceSelection::Display source) const {
    switch (source) {
    case SourceSelection::Display::stagetimer:
        return stagetimerDisplay(m_stagetimer);
    case SourceSelection::Display::ontime:
        return ontimeDisplay(m_ontime);
    case SourceSelection::Display::internalTimer:
        break;
    }
    return m_talk.display(m_watcher.slideShowRunning(), async::Clock::instance().monotonicMs(),
                          m_settings.talkLengthMinutes());
}

std::optional<qint64> TimerSources::nextChange(SourceSelection::Display source) const {
    if (source == SourceSelection::Display::ontime)
        return ontimeNextChange(OntimeSnapshot::of(m_ontime));
    return std::nullopt;
}

PresentationStatus::State TimerSources::presentationState() const {
    PresentationStatus::State state;
    state.permissionDenied = m_watcher.permissionDenied();
    state.slideShowRunning = m_watcher.slideShowRunning();
    state.positionKnown = m_watcher.positionKnown();
    state.position = m_watcher.position();
    state.watchesOtherPrograms = Platform::instance().watchesOtherPresentationPrograms();
    // Whether PowerPoint runs is the system's word, asked afresh; the watcher names the other
    // programs it found open.
    const bool powerPoint = powerPointRunning();
    state.program = m_watcher.program();
    if (powerPoint && state.program.isEmpty())
        state.program = PresentationProgram::powerPoint;
    else if (!powerPoint && !state.slideShowRunning &&
             state.program == PresentationProgram::powerPoint)
        state.program.clear();
    return state;
}

void TimerSources::updateState(SourceSelection::Display source, AppState& state) const {
    switch (source) {
    case SourceSelection::Display::stagetimer:
        state.setSourceLine(StatusLines::stagetimer(m_stagetimer.status()));
        state.setSourceOK(m_stagetimer.connected());
        break;
    case SourceSelection::Display::ontime:
        state.setSourceLine(ontimeSourceLine(m_ontime));
        state.setSourceOK(ontimeSourceOK(m_ontime));
        break;
    case SourceSelection::Display::internalTimer:
        state.setSourceLine(m_ontime.scanning()
                                ? StatusLines::internalTimerSearching()
                                : StatusLines::internalTimer(m_settings.talkLengthMinutes()));
        state.setSourceOK(true);
        break;
    }
    state.setPermissionDenied(m_watcher.permissionDenied());
    state.setPowerPointLine(PresentationStatus::line(presentationState()));
}
