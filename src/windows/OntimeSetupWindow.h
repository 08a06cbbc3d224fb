#pragma once

#include "windows/ConfigurationWindow.h"

class OntimeModel;
class OntimePortField;
class OntimeServerList;
class SettingsStore;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class SecondaryText;
class StatusDot;

// The Ontime setup window: servers found on the network, a typed address, connect and
// disconnect. A thin front end over the Ontime client: every button calls one of its
// operations and everything shown follows its signals, also when a search or a connection
// was started elsewhere. Created once by the controller and hidden on close.
class OntimeSetupWindow final : public ConfigurationWindow {
    Q_OBJECT
public:
    static constexpr int defaultWidth = 540;
    static constexpr int defaultHeight = 520;

    OntimeSetupWindow(OntimeModel& ontime, SettingsStore& settings, QWidget* parent = nullptr);

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* buildServerGroup();
    QWidget* buildAddressGroup();
    void bindModel();

    void refreshStatus();
    void refreshList();
    void refreshSearch();
    void refreshButtons();

    void connectSelection();
    void connectTyped();

    OntimeModel& m_ontime;
    SettingsStore& m_settings;

    StatusDot* m_dot = nullptr;
    QLabel* m_status = nullptr;
    OntimeServerList* m_list = nullptr;
    QPushButton* m_search = nullptr;
    QProgressBar* m_searchProgress = nullptr;
    QPushButton* m_connectSelection = nullptr;
    SecondaryText* m_scanInfo = nullptr;
    QLineEdit* m_address = nullptr;
    OntimePortField* m_port = nullptr;
    QPushButton* m_connectTyped = nullptr;
    QPushButton* m_disconnect = nullptr;
};
