#pragma once

#include "windows/TitledGroup.h"

class AppState;
class QCheckBox;
class QPushButton;
class QSlider;
class SettingsStore;
class TabularLabel;
class TalkLengthBox;
class WindowCommands;

// The settings window's display group: how the timer window behaves and looks (automatic
// showing, caption, messages, bar, background opacity, sharing), the speaker's talk length,
// and the buttons that show, hide and reset it. The controls write the store at once and
// follow it when it is written elsewhere, such as the talk length from the tray menu.
class DisplaySection final : public TitledGroup {
    Q_OBJECT
public:
    // The slider's steps over 0…1: fine enough to count as continuous.
    static constexpr int opacitySteps = 1000;

    DisplaySection(WindowCommands& app, const AppState& state, SettingsStore& settings,
                   QWidget* parent = nullptr);

    // The value text beside the opacity slider: whole percent, truncated.
    static QString opacityText(double opacity);

private:
    void buildSwitches();
    // The background opacity and the talk length, each beside its label.
    void buildValueRows();
    void buildOverlayButtons();
    void bind();

    void refreshSettings();
    void refreshTalkLength();
    void refreshOverlayButton();

    WindowCommands& m_app;
    const AppState& m_state;
    SettingsStore& m_settings;

    QCheckBox* m_autoShow = nullptr;
    QCheckBox* m_showCaption = nullptr;
    QCheckBox* m_showMessages = nullptr;
    QCheckBox* m_showBar = nullptr;
    QCheckBox* m_hideInSharing = nullptr;
    QSlider* m_opacity = nullptr;
    TabularLabel* m_opacityValue = nullptr;
    TalkLengthBox* m_talkLength = nullptr;
    QPushButton* m_toggleOverlay = nullptr;
    QPushButton* m_resetFrame = nullptr;
};
