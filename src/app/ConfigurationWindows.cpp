#include "app/ConfigurationWindows.h"

#include "platform/OverlayWindowPlatform.h"
#include "platform/Platform.h"
#include "powerpoint/PowerPoint.h"
#include "powerpoint/PowerPointWatcher.h"
#include "windows/OntimeSetupWindow.h"
#include "windows/SettingsWindow.h"
#include "windows/StagetimerSetupWindow.h"

ConfigurationWindows::ConfigurationWindows(WindowCommands& commands, AppState& state,
                                           SettingsStore& settings, OntimeModel& ontime,
                                           StagetimerModel& stagetimer,
                                           const PowerPointWatcher& watcher, QObject* parent)
    : QObject(parent)
    , m_commands(commands)
    , m_state(state)
    , m_settings(settings)
    , m_ontime(ontime)
    , m_stagetimer(stagetimer)
    , m_watcher(watcher) {}

ConfigurationWindows::~ConfigurationWindows() = default;

void ConfigurationWindows::showSettings() {
    if (!m_settingsWindow) {
        m_settingsWindow = std::make_unique<SettingsWindow>(m_commands, m_state, m_ontime,
                                                            m_stagetimer, m_settings);
        Q_EMIT windowCreated(m_settingsWindow.get());
    }
    OverlayWindowPlatform::instance().showAboveSlideShow(m_settingsWindow.get());
}

void ConfigurationWindows::showOntimeSetup() {
    if (!m_ontimeSetup) {
        m_ontimeSetup = std::make_unique<OntimeSetupWindow>(m_ontime, m_settings);
        Q_EMIT windowCreated(m_ontimeSetup.get());
    }
    OverlayWindowPlatform::instance().showAboveSlideShow(m_ontimeSetup.get());
}

void ConfigurationWindows::showStagetimerSetup() {
    if (!m_stagetimerSetup) {
        m_stagetimerSetup = std::make_unique<StagetimerSetupWindow>(m_stagetimer, m_settings);
        Q_EMIT windowCreated(m_stagetimerSetup.get());
    }
    OverlayWindowPlatform::instance().showAboveSlideShow(m_stagetimerSetup.get());
}

bool ConfigurationWindows::isSettingsWindowVisible() const {
    return m_settingsWindow && m_settingsWindow->isVisible();
}

void ConfigurationWindows::returnFocusToPresentation() {
    if (m_watcher.slideShowRunning())
        Platform::instance().activateApplication(PowerPoint::bundleIdentifier);
}
