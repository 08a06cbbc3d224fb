#pragma once

#include "app/TimerChoice.h"

#include <QList>
#include <QObject>

#include <optional>
#include <utility>

class AlertDialog;
class ConfigurationWindows;
class OntimeModel;
class PowerPointWatcher;
class SettingsStore;
class StagetimerModel;

// Lets the user choose which of the timers a search found the card shows, and switches to
// the choice. The chooser never appears over a running slide show: it waits for the show's
// end, and right after start for the watcher's first answer, unless the settings window is
// open, where the user is looking anyway.
class TimerChooser final : public QObject {
    Q_OBJECT
public:
    // A chooser request that waits for the end of the slide show.
    using ChooserRequest = std::pair<QList<OntimeServer>, QList<StagetimerDesktop>>;

    // Takes the Ontime client's offers, from the event loop.
    TimerChooser(SettingsStore& settings, OntimeModel& ontime, StagetimerModel& stagetimer,
                 const PowerPointWatcher& watcher, ConfigurationWindows& windows,
                 QObject* parent = nullptr);

    // Asks which of the found timers to show; postponed while a slide show runs, unless the
    // settings window is open.
    void chooseTimer(const QList<OntimeServer>& ontimes,
                     const QList<StagetimerDesktop>& stagetimers);
    // Switches the card to `choice`.
    void use(const TimerChoice& choice);
    const std::optional<ChooserRequest>& pendingChoice() const { return m_pendingChoice; }
    // The slide show has ended: a chooser that waited for it comes now.
    void showEnded();

Q_SIGNALS:
    // A chooser or an alert is on screen, inside its modal loop.
    void dialogShown(AlertDialog& dialog);

private:
    int runDialog(AlertDialog& dialog);

    SettingsStore& m_settings;
    OntimeModel& m_ontime;
    StagetimerModel& m_stagetimer;
    const PowerPointWatcher& m_watcher;
    ConfigurationWindows& m_windows;
    std::optional<ChooserRequest> m_pendingChoice;
    bool m_chooserOpen = false;
};
