#pragma once

#include "windows/ConfigurationWindow.h"

class AppState;
class OntimeModel;
class QCheckBox;
class QComboBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QSlider;
class SecondaryText;
class SettingsStore;
class StagetimerModel;
class StatusDot;
class TabularLabel;
class WindowCommands;

// The settings window: timer source, display, PowerPoint, language. Every control writes
// straight to the settings store or calls the controller; there is no apply step. It follows
// the status record, the Ontime client's search and the settings store as they change.
// Created once by the controller and hidden on close.
class SettingsWindow final : public ConfigurationWindow {
    Q_OBJECT
public:
    static constexpr int defaultWidth = 560;
    static constexpr int defaultHeight = 640;
    // The slider's steps over 0…1: fine enough to count as continuous.
    static constexpr int opacitySteps = 1000;

    SettingsWindow(WindowCommands& app, AppState& state, OntimeModel& ontime,
                   StagetimerModel& stagetimer, SettingsStore& settings, QWidget* parent = nullptr);

    // The value text beside the opacity slider: whole percent, truncated.
    static QString opacityText(double opacity);

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    QWidget* buildSourceGroup();
    QWidget* buildDisplayGroup();
    QWidget* buildPowerPointGroup();
    QWidget* buildLanguageGroup();
    QLayout* buildBottomRow();
    void bindControls();

    void refreshSource();
    void refreshSearch();
    void refreshDisplaySettings();
    void refreshOverlayButton();
    void refreshPowerPoint();
    void refreshLanguage();
    void refreshLaunchAtLogin();

    void useInternalTimer();
    void switchLaunchAtLogin(bool on);

    WindowCommands& m_app;
    AppState& m_state;
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

    QCheckBox* m_autoShow = nullptr;
    QCheckBox* m_showCaption = nullptr;
    QCheckBox* m_showMessages = nullptr;
    QCheckBox* m_showBar = nullptr;
    QCheckBox* m_hideInSharing = nullptr;
    QSlider* m_opacity = nullptr;
    TabularLabel* m_opacityValue = nullptr;
    QPushButton* m_toggleOverlay = nullptr;
    QPushButton* m_resetFrame = nullptr;

    QLabel* m_powerPointLine = nullptr;
    QPushButton* m_grantPermission = nullptr;
    SecondaryText* m_permissionHint = nullptr;
    QCheckBox* m_launchAtLogin = nullptr;

    QComboBox* m_language = nullptr;
};
