#pragma once

#include <QWidget>

class OntimeModel;

// The Ontime setup window: servers found on the network, a typed address, connect and
// disconnect. Created once by the controller and hidden on close.
class OntimeSetupWindow final : public QWidget {
    Q_OBJECT
public:
    explicit OntimeSetupWindow(OntimeModel& ontime, QWidget* parent = nullptr);

private:
    OntimeModel& m_ontime;
};
