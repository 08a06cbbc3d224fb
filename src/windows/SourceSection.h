#pragma once

#include "windows/TitledGroup.h"

class AppState;
class OntimeModel;
class QLabel;
class QProgressBar;
class QPushButton;
class SecondaryText;
class SettingsStore;
class StagetimerModel;
class StatusDot;
class WindowCommands;

// The settings window's timer source: which source is active and how it fares, the network
// search with its progress and what it found, and the ways to the two setup windows and to
// the internal timer. It follows the status record and the Ontime client's search.
class SourceSection final : public TitledGroup {
    Q_OBJECT
public:
    // `width` is the room the window gives the group: it decides whether the source buttons
    // fit beside the search button.
    SourceSection(WindowCommands& app, const AppState& state, OntimeModel& ontime,
                  StagetimerModel& stagetimer, SettingsStore& settings, int width,
                  QWidget* parent = nullptr);

Q_SIGNALS:
    // The scan information appeared or disappeared: the window fits its height.
    void rowsChanged();

private:
    void buildButtons(int width);
    void bind();

    void refreshSource();
    void refreshSearch();
    void useInternalTimer();

    WindowCommands& m_app;
    const AppState& m_state;
    OntimeModel& m_ontime;
    StagetimerModel& m_stagetimer;
    SettingsStore& m_settings;

    StatusDot* m_sourceDot = nullptr;
    QLabel* m_sourceLine = nullptr;
    QPushButton* m_search = nullptr;
    QProgressBar* m_searchProgress = nullptr;
    QPushButton* m_ontimeSetup = nullptr;
    QPushButton* m_stagetimerSetup = nullptr;
    QPushButton* m_internalTimer = nullptr;
    SecondaryText* m_scanInfo = nullptr;
};
