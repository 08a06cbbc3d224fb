#pragma once

#include "app/SourceSelection.h"
#include "overlay/TimerDisplay.h"
#include "powerpoint/PresentationStatus.h"

#include <optional>

class AppState;
class OntimeModel;
class PowerPointWatcher;
class SettingsStore;
class StagetimerModel;
class TalkTimer;

// The timer sources behind the card: the two network clients, which exclude each other and
// run only while something needs them, and what the card and the status lines show of the
// selected source on each tick.
class TimerSources final {
public:
    // Wires the clients so that connecting one ends the other.
    TimerSources(const SettingsStore& settings, OntimeModel& ontime, StagetimerModel& stagetimer,
                 const PowerPointWatcher& watcher, const TalkTimer& talk);

    TimerSources(const TimerSources&) = delete;
    TimerSources& operator=(const TimerSources&) = delete;

    bool timersActive() const { return m_timersActive; }
    // Starts the configured source when the sources become needed and stops them when they no
    // longer are; only on a change, so that a running search or connection is left alone.
    void setTimersActive(bool active);
    // Whether a presentation program is open, which keeps the sources running: PowerPoint by
    // the system's word, asked afresh, any other by the watcher's.
    bool presentationProgramOpen() const;

    // What the card shows of `source` now.
    TimerDisplay currentDisplay(SourceSelection::Display source) const;
    // In how many milliseconds that changes by itself, when the source says.
    std::optional<qint64> nextChange(SourceSelection::Display source) const;
    // Writes the source's status line and the presentation program's line into `state`.
    void updateState(SourceSelection::Display source, AppState& state) const;

private:
    void startTimers();
    void stopTimers();
    bool powerPointRunning() const;
    PresentationStatus::State presentationState() const;

    const SettingsStore& m_settings;
    OntimeModel& m_ontime;
    StagetimerModel& m_stagetimer;
    const PowerPointWatcher& m_watcher;
    const TalkTimer& m_talk;
    bool m_timersActive = false;
};
