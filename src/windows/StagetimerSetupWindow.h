#pragma once

#include "windows/ConfigurationWindow.h"

class QLabel;
class QLineEdit;
class QPushButton;
class SettingsStore;
class StagetimerModel;
class StatusDot;

// The Stagetimer setup window: room, API key, server, connect and disconnect. The fields are
// its only state: they are loaded from the store on every showing and written back only by
// "Verbinden", so "Fertig" drops what was not confirmed. Created once by the controller and
// hidden on close.
class StagetimerSetupWindow final : public ConfigurationWindow {
    Q_OBJECT
public:
    static constexpr int defaultWidth = 540;
    static constexpr int defaultHeight = 420;

    StagetimerSetupWindow(StagetimerModel& stagetimer, SettingsStore& settings,
                          QWidget* parent = nullptr);

protected:
    void showEvent(QShowEvent* event) override;

private:
    QWidget* buildFields();
    void bindModel();

    void loadFields();
    void refreshStatus();
    void refreshButtons();
    void connectRoom();

    StagetimerModel& m_stagetimer;
    SettingsStore& m_settings;

    StatusDot* m_dot = nullptr;
    QLabel* m_status = nullptr;
    QLineEdit* m_room = nullptr;
    QLineEdit* m_key = nullptr;
    QLineEdit* m_server = nullptr;
    QPushButton* m_disconnect = nullptr;
    QPushButton* m_connect = nullptr;
};
