#include "windows/OntimeSetupWindow.h"

#include "l10n/L10n.h"
#include "ontime/OntimeModel.h"
#include "settings/SettingsNotifier.h"
#include "settings/SettingsStore.h"
#include "windows/OntimePortField.h"
#include "windows/OntimeServerList.h"
#include "windows/SearchDisplay.h"
#include "windows/SecondaryText.h"
#include "windows/StatusDot.h"
#include "windows/TitledGroup.h"
#include "windows/WindowControls.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>

using WindowControls::makeButton;
using WindowControls::makeField;

OntimeSetupWindow::OntimeSetupWindow(OntimeModel& ontime, SettingsStore& settings, QWidget* parent)
    : ConfigurationWindow(L10n::lookup(u"Ontime-Timer"), defaultWidth, defaultHeight, parent)
    , m_ontime(ontime)
    , m_settings(settings) {
    addIntroduction(L10n::lookup(u"Sucht ein laufendes Ontime im Netzwerk und zeigt dessen Timer "
                                 u"und Nachrichten im Timer-Fenster. Ontime wird dabei nur "
                                 u"gelesen, nicht gesteuert."));
    column()->addLayout(statusRow(m_dot, m_status, QStringLiteral("status"), 1));
    column()->addWidget(buildServerGroup());
    column()->addWidget(buildAddressGroup());
    m_disconnect =
        makeButton(L10n::lookup(u"Trennen und ausblenden"), QStringLiteral("disconnect"));
    addBottomRow({m_disconnect});

    bindModel();
    refreshStatus();
    refreshList();
    refreshSearch();
    refreshButtons();
    m_port->showStoredPort();
    finishSetup();
}

QWidget* OntimeSetupWindow::buildServerGroup() {
    auto* group = new TitledGroup(L10n::lookup(u"Gefundene Ontime-Server"), 8);
    m_list = new OntimeServerList;
    m_list->setObjectName(QStringLiteral("servers"));
    m_list->setAccessibleName(group->title());
    m_list->setFixedHeight(150);
    m_list->installEventFilter(this);
    group->column()->addWidget(m_list);

    auto* buttons = new QHBoxLayout;
    m_search = makeButton(L10n::lookup(u"Netzwerk durchsuchen"), QStringLiteral("search"));
    m_searchProgress = SearchDisplay::makeProgress(120);
    m_connectSelection = makeButton(L10n::lookup(u"Verbinden"), QStringLiteral("connectSelected"));
    buttons->addWidget(m_search);
    buttons->addWidget(m_searchProgress);
    buttons->addStretch(1);
    buttons->addWidget(m_connectSelection);
    group->column()->addLayout(buttons);

    m_scanInfo = new SecondaryText;
    m_scanInfo->setObjectName(QStringLiteral("scanInfo"));
    group->column()->addWidget(m_scanInfo);
    return group;
}

QWidget* OntimeSetupWindow::buildAddressGroup() {
    auto* group = new TitledGroup(L10n::lookup(u"Adresse von Hand eingeben"), 8);
    auto* row = new QHBoxLayout;
    m_address = makeField(group->title(), QStringLiteral("address"));
    m_address->setPlaceholderText(L10n::lookup(u"IP-Adresse oder Name, z. B. 10.20.0.59"));
    m_address->installEventFilter(this);
    auto* portLabel = new QLabel(QStringLiteral("Port"));
    m_port = new OntimePortField(portLabel->text(), m_settings);
    portLabel->setBuddy(m_port);
    m_connectTyped = makeButton(L10n::lookup(u"Verbinden"), QStringLiteral("connectTyped"));
    row->addWidget(m_address, 1);
    row->addWidget(portLabel);
    row->addWidget(m_port);
    row->addWidget(m_connectTyped);
    group->column()->addLayout(row);
    return group;
}

void OntimeSetupWindow::bindModel() {
    connect(&m_ontime, &OntimeModel::statusChanged, this, &OntimeSetupWindow::refreshStatus);
    connect(&m_ontime, &OntimeModel::connectedChanged, this, &OntimeSetupWindow::refreshStatus);
    connect(&m_ontime, &OntimeModel::serverChanged, this, [this] {
        refreshStatus();
        m_list->setCurrent(m_ontime.server());
        refreshButtons();
    });
    connect(&m_ontime, &OntimeModel::foundChanged, this, &OntimeSetupWindow::refreshList);
    connect(&m_ontime, &OntimeModel::scanningChanged, this, [this] {
        refreshStatus();
        refreshSearch();
        refreshButtons();
    });
    connect(&m_ontime, &OntimeModel::scanProgressChanged, this, &OntimeSetupWindow::refreshSearch);
    connect(&m_ontime, &OntimeModel::scanInfoChanged, this, &OntimeSetupWindow::refreshSearch);
    connect(&SettingsNotifier::instance(), &SettingsNotifier::ontimeEnabledChanged, this,
            &OntimeSetupWindow::refreshButtons);

    connect(m_list, &QListWidget::itemSelectionChanged, this, &OntimeSetupWindow::refreshButtons);
    connect(m_list, &QListWidget::itemDoubleClicked, this,
            [this](QListWidgetItem* item) { m_ontime.connect(OntimeServerList::serverOf(item)); });
    connect(m_search, &QPushButton::clicked, this, [this] {
        // The user chooses from the list: nothing connects by itself.
        m_ontime.search(false, false);
    });
    connect(m_connectSelection, &QPushButton::clicked, this, &OntimeSetupWindow::connectSelection);
    connect(m_address, &QLineEdit::textChanged, this, &OntimeSetupWindow::refreshButtons);
    connect(m_connectTyped, &QPushButton::clicked, this, &OntimeSetupWindow::connectTyped);
    connect(m_port, &OntimePortField::portStored, this, [this] { Q_EMIT m_ontime.changed(); });
    connect(m_disconnect, &QPushButton::clicked, this, [this] { m_ontime.disconnect(); });
}

void OntimeSetupWindow::refreshStatus() {
    StatusDot::State state = StatusDot::State::idle;
    if (m_ontime.connected())
        state = StatusDot::State::ok;
    else if (m_ontime.server() || m_ontime.scanning())
        state = StatusDot::State::busy;
    m_dot->setState(state);
    m_status->setText(m_ontime.status());
}

void OntimeSetupWindow::refreshList() {
    m_list->setServers(m_ontime.found());
    m_list->setCurrent(m_ontime.server());
    refreshButtons();
}

void OntimeSetupWindow::refreshSearch() {
    if (SearchDisplay::show(m_ontime, L10n::lookup(u"Netzwerk durchsuchen"), m_search,
                            m_searchProgress, m_scanInfo))
        fitHeight();
}

void OntimeSetupWindow::refreshButtons() {
    const std::optional<OntimeServer> selected = m_list->selection();
    m_connectSelection->setEnabled(selected && selected != m_ontime.server());
    m_connectTyped->setEnabled(!trimmedHost(m_address->text()).isEmpty());
    // Enabled while anything Ontime-related is active.
    m_disconnect->setEnabled(m_ontime.server() || m_ontime.scanning() ||
                             m_settings.ontimeEnabled());
}

void OntimeSetupWindow::connectSelection() {
    if (const std::optional<OntimeServer> selected = m_list->selection())
        m_ontime.connect(*selected);
}

void OntimeSetupWindow::connectTyped() {
    // The client trims the text and ignores a blank one.
    m_ontime.connect(m_address->text());
}

void OntimeSetupWindow::showEvent(QShowEvent* event) {
    ConfigurationWindow::showEvent(event);
    // An unconnected client starts looking at once and connects to what it finds.
    if (!m_ontime.server() && !m_ontime.scanning())
        m_ontime.search(true, false);
    if (m_address->text().isEmpty())
        m_address->setText(m_settings.ontimeHost().value_or(QString()));
    m_port->showStoredPort();
}

bool OntimeSetupWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress)
        return ConfigurationWindow::eventFilter(watched, event);
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
        // Return in the address field connects to it (a blank one is ignored by the client)
        // instead of pressing "Fertig".
        if (watched == m_address) {
            connectTyped();
            return true;
        }
        // Return on a row connects to it, as a double-click does.
        if (watched == m_list) {
            if (QListWidgetItem* item = m_list->currentItem()) {
                m_ontime.connect(OntimeServerList::serverOf(item));
                return true;
            }
        }
    }
    return ConfigurationWindow::eventFilter(watched, event);
}
