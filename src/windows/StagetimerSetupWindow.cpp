#include "windows/StagetimerSetupWindow.h"

#include "l10n/Format.h"
#include "l10n/L10n.h"
#include "settings/SettingsNotifier.h"
#include "settings/SettingsStore.h"
#include "stagetimer/StagetimerModel.h"
#include "stagetimer/StagetimerWire.h"
#include "windows/StatusDot.h"
#include "windows/WindowControls.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

using WindowControls::makeButton;
using WindowControls::makeField;

StagetimerSetupWindow::StagetimerSetupWindow(StagetimerModel& stagetimer, SettingsStore& settings,
                                             QWidget* parent)
    : ConfigurationWindow(QStringLiteral("Stagetimer"), defaultWidth, defaultHeight, parent)
    , m_stagetimer(stagetimer)
    , m_settings(settings) {
    addIntroduction(
        L10n::lookup(u"Zeigt den Timer und die Nachricht eines Stagetimer-Raums im Timer-Fenster. "
                     u"Raum-ID und API-Key finden Sie in Stagetimer im Controller unter „API“."));
    column()->addLayout(statusRow(m_dot, m_status, QStringLiteral("status"), 2));
    column()->addWidget(buildFields());
    m_disconnect =
        makeButton(L10n::lookup(u"Trennen und ausblenden"), QStringLiteral("disconnect"));
    m_connect = makeButton(L10n::lookup(u"Verbinden"), QStringLiteral("connect"));
    addBottomRow({m_disconnect}, {m_connect});

    bindModel();
    loadFields();
    refreshStatus();
    refreshButtons();
    finishSetup();
}

QWidget* StagetimerSetupWindow::buildFields() {
    auto* group = new QGroupBox;
    auto* grid = new QGridLayout(group);
    grid->setContentsMargins(6, 6, 6, 6);
    grid->setHorizontalSpacing(10);
    grid->setVerticalSpacing(10);

    const QString roomLabel = L10n::lookup(u"Raum-ID");
    const QString keyLabel = L10n::lookup(u"API-Key");
    const QString serverLabel = L10n::lookup(u"Server");
    m_room = makeField(roomLabel, QStringLiteral("room"));
    m_room->setPlaceholderText(QStringLiteral("ABCD1234"));
    m_key = makeField(keyLabel, QStringLiteral("key"));
    // Masked on screen, in snapshots and in anything that describes the window.
    m_key->setEchoMode(QLineEdit::Password);
    m_server = makeField(serverLabel, QStringLiteral("server"));
    // An empty field means the cloud service; name the one the client would use.
    m_server->setPlaceholderText(
        L10n::fill(L10n::lookup(u"leer = %@ (Cloud) · Desktop-App: IP:Port"),
                   {stagetimer::cloudDisplayName()}));

    int row = 0;
    for (const auto& [text, field] : {std::pair{roomLabel, m_room}, std::pair{keyLabel, m_key},
                                      std::pair{serverLabel, m_server}}) {
        auto* label = new QLabel(text);
        label->setBuddy(field);
        grid->addWidget(label, row, 0, Qt::AlignLeft | Qt::AlignVCenter);
        grid->addWidget(field, row, 1);
        ++row;
    }
    grid->setColumnStretch(1, 1);
    return group;
}

void StagetimerSetupWindow::bindModel() {
    connect(&m_stagetimer, &StagetimerModel::statusChanged, this,
            &StagetimerSetupWindow::refreshStatus);
    connect(&m_stagetimer, &StagetimerModel::connectedChanged, this,
            &StagetimerSetupWindow::refreshStatus);
    connect(&m_stagetimer, &StagetimerModel::connectingChanged, this, [this] {
        refreshStatus();
        refreshButtons();
    });
    connect(&SettingsNotifier::instance(), &SettingsNotifier::stagetimerEnabledChanged, this,
            &StagetimerSetupWindow::refreshButtons);
    connect(m_room, &QLineEdit::textChanged, this, &StagetimerSetupWindow::refreshButtons);
    connect(m_key, &QLineEdit::textChanged, this, &StagetimerSetupWindow::refreshButtons);
    connect(m_connect, &QPushButton::clicked, this, &StagetimerSetupWindow::connectRoom);
    connect(m_disconnect, &QPushButton::clicked, this, [this] { m_stagetimer.disconnect(); });
}

void StagetimerSetupWindow::loadFields() {
    const SettingsStore& settings = m_settings;
    m_room->setText(settings.stagetimerRoom());
    m_key->setText(settings.stagetimerKey());
    m_server->setText(settings.stagetimerServer());
}

void StagetimerSetupWindow::refreshStatus() {
    StatusDot::State state = StatusDot::State::idle;
    if (m_stagetimer.connected())
        state = StatusDot::State::ok;
    else if (m_stagetimer.connecting())
        state = StatusDot::State::busy;
    m_dot->setState(state);
    m_status->setText(m_stagetimer.status());
}

void StagetimerSetupWindow::refreshButtons() {
    // Enabled from the first attempt until it is pressed, also while the controller has the
    // client suspended.
    m_disconnect->setEnabled(m_settings.stagetimerEnabled() || m_stagetimer.connecting());
    m_connect->setEnabled(!trimBlanks(m_room->text()).isEmpty() &&
                          !trimBlanks(m_key->text()).isEmpty());
}

void StagetimerSetupWindow::connectRoom() {
    m_stagetimer.setRoomID(m_room->text());
    m_stagetimer.setApiKey(m_key->text());
    m_stagetimer.setServer(m_server->text());
    // Show what was stored: without the blanks the client trimmed away.
    loadFields();
    m_stagetimer.connect();
}

void StagetimerSetupWindow::showEvent(QShowEvent* event) {
    // Unconfirmed edits of the last showing are dropped.
    loadFields();
    ConfigurationWindow::showEvent(event);
}
