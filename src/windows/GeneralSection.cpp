#include "windows/GeneralSection.h"

#include "l10n/Format.h"
#include "l10n/L10n.h"
#include "l10n/ProductName.h"
#include "settings/AppState.h"
#include "settings/SettingsNotifier.h"
#include "settings/SettingsStore.h"
#include "windows/DarkLook.h"
#include "windows/SecondaryText.h"
#include "windows/TitledGroup.h"
#include "windows/WindowCommands.h"
#include "windows/WindowControls.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

GeneralSection::GeneralSection(WindowCommands& app, const AppState& state, SettingsStore& settings,
                               QWidget* parent)
    : QWidget(parent)
    , m_app(app)
    , m_state(state)
    , m_settings(settings) {
    // The two groups stand in the window's column as if they were its own.
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(14);
    column->addWidget(buildPowerPointGroup());
    column->addWidget(buildLanguageGroup());

    bind();
    refreshPowerPoint();
    refreshLanguage();
}

QWidget* GeneralSection::buildPowerPointGroup() {
    auto* group = new TitledGroup(QStringLiteral("PowerPoint"), 6);
    auto* row = new QHBoxLayout;
    m_powerPointLine = new QLabel;
    m_powerPointLine->setObjectName(QStringLiteral("powerPointLine"));
    m_powerPointLine->setTextFormat(Qt::PlainText);
    m_powerPointLine->setWordWrap(true);
    m_grantPermission = WindowControls::makeButton(L10n::lookup(u"Berechtigung erteilen …"),
                                                   QStringLiteral("grantPermission"));
    row->addWidget(m_powerPointLine, 1);
    row->addWidget(m_grantPermission);
    group->column()->addLayout(row);

    m_permissionHint = new SecondaryText(
        L10n::fill(L10n::lookup(u"Systemeinstellungen › Datenschutz & Sicherheit › Automation: "
                                u"bei „%@“ „Microsoft PowerPoint“ einschalten."),
                   {productName()}));
    m_permissionHint->setObjectName(QStringLiteral("permissionHint"));
    group->column()->addWidget(m_permissionHint);

    m_launchAtLogin = WindowControls::makeSwitch(L10n::lookup(u"Beim Anmelden automatisch starten"),
                                                 QStringLiteral("launchAtLogin"));
    group->column()->addWidget(m_launchAtLogin);
    group->column()->addWidget(buildLoginItemPendingRow());
    return group;
}

QWidget* GeneralSection::buildLoginItemPendingRow() {
    m_loginItemPending = new QWidget;
    m_loginItemPending->setObjectName(QStringLiteral("loginItemPending"));
    auto* row = new QHBoxLayout(m_loginItemPending);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(
        new SecondaryText(L10n::lookup(u"Wartet auf Ihre Freigabe in den Systemeinstellungen.")),
        1);
    auto* open = WindowControls::makeButton(L10n::lookup(u"Systemeinstellungen öffnen …"),
                                            QStringLiteral("openLoginItemSettings"));
    row->addWidget(open);
    connect(open, &QPushButton::clicked, this, [this] { m_app.openLoginItemSettings(); });
    m_loginItemPending->setVisible(false);
    return m_loginItemPending;
}

QWidget* GeneralSection::buildLanguageGroup() {
    auto* group = new TitledGroup(L10n::lookup(u"Sprache"), 6);
    auto* row = new QHBoxLayout;
    row->setSpacing(12);
    m_language = new QComboBox;
    m_language->setObjectName(QStringLiteral("language"));
    m_language->setAccessibleName(group->title());
    m_language->setFixedWidth(160);
    m_language->addItem(L10n::lookup(u"Automatisch"), QString());
    for (const QString& code : L10n::languages())
        m_language->addItem(L10n::names().value(code, code), code);
    row->addWidget(m_language, 0, Qt::AlignVCenter);
    row->addWidget(new SecondaryText(
                       L10n::lookup(u"Die Sprache wird nach einem Neustart der App gewechselt.")),
                   1);
    group->column()->addLayout(row);
    return group;
}

void GeneralSection::bind() {
    connect(&m_state, &AppState::powerPointLineChanged, this, &GeneralSection::refreshPowerPoint);
    connect(&m_state, &AppState::permissionDeniedChanged, this, &GeneralSection::refreshPowerPoint);
    connect(&SettingsNotifier::instance(), &SettingsNotifier::languageChanged, this,
            &GeneralSection::refreshLanguage);

    connect(m_grantPermission, &QPushButton::clicked, this,
            [this] { m_app.openAutomationSettings(); });
    connect(m_launchAtLogin, &QCheckBox::toggled, this, &GeneralSection::switchLaunchAtLogin);
    connect(m_language, &QComboBox::activated, this, [this](int index) {
        m_settings.setString(SettingsKey::appLanguage, m_language->itemData(index).toString());
    });
}

void GeneralSection::refreshPowerPoint() {
    const bool denied = m_state.permissionDenied();
    m_powerPointLine->setText(m_state.powerPointLine());
    QPalette p = m_powerPointLine->palette();
    p.setColor(QPalette::WindowText, denied ? DarkLook::red() : DarkLook::primaryText());
    m_powerPointLine->setPalette(p);
    // The button and the way to the setting only where the system has such a setting; a
    // system without one has nothing to grant.
    const bool grantable = denied && m_app.canOpenAutomationSettings();
    if (m_grantPermission->isVisibleTo(this) != grantable) {
        m_grantPermission->setVisible(grantable);
        m_permissionHint->setVisible(grantable);
        Q_EMIT rowsChanged();
    }
}

void GeneralSection::refreshLanguage() {
    const int index = m_language->findData(m_settings.appLanguage());
    const QSignalBlocker blocker(m_language);
    m_language->setCurrentIndex(index < 0 ? 0 : index);
}

void GeneralSection::refreshLaunchAtLogin() {
    // A registration that waits for approval is the user's wish kept: on, with the way to the
    // approval beside it.
    const LoginItemStatus status = m_app.launchAtLoginStatus();
    WindowControls::showChecked(m_launchAtLogin, status != LoginItemStatus::off);
    const bool pending = status == LoginItemStatus::awaitingApproval;
    if (m_loginItemPending->isVisibleTo(this) != pending) {
        m_loginItemPending->setVisible(pending);
        Q_EMIT rowsChanged();
    }
}

void GeneralSection::switchLaunchAtLogin(bool on) {
    m_app.setLaunchAtLogin(on);
    // The system's answer, not the wish: a refused registration springs back.
    refreshLaunchAtLogin();
}

void GeneralSection::showEvent(QShowEvent* event) {
    // The login item can be changed outside the app; show the system's status each time.
    refreshLaunchAtLogin();
    QWidget::showEvent(event);
}
