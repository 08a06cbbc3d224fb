#pragma once

#include <QWidget>

class StagetimerModel;

// The Stagetimer setup window: room, API key, server, connect and disconnect. Created once
// by the controller and hidden on close.
class StagetimerSetupWindow final : public QWidget {
    Q_OBJECT
public:
    explicit StagetimerSetupWindow(StagetimerModel& stagetimer, QWidget* parent = nullptr);

private:
    StagetimerModel& m_stagetimer;
};
