#include "windows/SettingsWindow.h"

#include "kalvane/Version.h"
#include "l10n/Format.h"
#include "l10n/L10n.h"
#include "l10n/ProductName.h"
#include "ontime/OntimeModel.h"
#include "platform/OverlayWindowPlatform.h"
#include "settings/AppState.h"
#include "settings/SettingsNotifier.h"
#include "settings/SettingsStore.h"
#include "stagetimer/StagetimerModel.h"
#include "windows/DarkLook.h"
#include "windows/SearchDisplay.h"
#include "windows/SecondaryText.h"
#include "windows/StatusDot.h"
#include "windows/TabularText.h"
#include "windows/TitledGroup.h"
#include "windows/WindowCommands.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace {

QCheckBox* makeSwitch(const QString& text, const QString& name) {
    auto* box = new QCheckBox(text);
    box->setObjectName(name);
    box->setAccessibleName(text);
    return box;
}

QPushButton* makeButton(const QString& text, const QString& name) {
    auto* button = new QPushButton(text);
    button->setObjectName(name);
    button->setAccessibleName(text);
    button->setAutoDefault(false);
    return button;
}

void setChecked(QCheckBox* box, bool checked) {
    const QSignalBlocker blocker(box);
    box->setChecked(checked);
}

} // namespace

SettingsWindow::SettingsWindow(WindowCommands& app, AppState& state, OntimeModel& ontime,
                               StagetimerModel& stagetimer, SettingsStore& settings,
                               QWidget* parent)
    : ConfigurationWindow(defaultWidth, defaultHeight, parent)
    , m_app(app)
    , m_state(state)
    , m_ontime(ontime)
    , m_stagetimer(stagetimer)
    , m_settings(settings) {
    setWindowTitle(L10n::fill(L10n::lookup(u"%@ – Einstellungen"), {productName()}));

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(20, 20, 20, 20);
    column->setSpacing(14);
    column->addWidget(buildSourceGroup());
    column->addWidget(buildDisplayGroup());
    column->addWidget(buildPowerPointGroup());
    column->addWidget(buildLanguageGroup());
    column->addStretch(1);
    column->addLayout(buildBottomRow());

    bindControls();
    refreshSource();
    refreshSearch();
    refreshDisplaySettings();
    refreshOverlayButton();
    refreshPowerPoint();
    refreshLanguage();
    finishSetup();
}

QString SettingsWindow::opacityText(double opacity) {
    // Truncated as the slider's percentage, but a value such as 0.29, which binary fractions
    // hold as 0.28999…, still reads 29.
    const double percent = std::trunc(std::clamp(opacity, 0.0, 1.0) * 100 + 1e-9);
    return QString::number(int(percent)) + QStringLiteral(" %");
}

QWidget* SettingsWindow::buildSourceGroup() {
    auto* group = new TitledGroup(L10n::lookup(u"Timer-Quelle"), 8);

    group->column()->addLayout(
        statusRow(m_sourceDot, m_sourceLine, QStringLiteral("sourceLine"), 2));

    group->column()->addWidget(new SecondaryText(L10n::lookup(
        u"Sucht im Netzwerk nach laufenden Ontime- und Stagetimer-Programmen. Gibt es mehrere, "
        u"fragt ein Fenster, welcher Timer angezeigt wird. Zeit, Zeitbalken und Nachrichten "
        u"werden übernommen.")));

    auto* buttons = new QHBoxLayout;
    m_search = makeButton(L10n::lookup(u"Timer im Netzwerk suchen"), QStringLiteral("search"));
    m_searchProgress = new QProgressBar;
    m_searchProgress->setObjectName(QStringLiteral("searchProgress"));
    m_searchProgress->setAccessibleName(L10n::lookup(u"Suche läuft …"));
    m_searchProgress->setRange(0, 1000);
    m_searchProgress->setTextVisible(false);
    m_searchProgress->setFixedWidth(90);
    m_ontimeSetup = makeButton(QStringLiteral("Ontime …"), QStringLiteral("ontimeSetup"));
    m_stagetimerSetup =
        makeButton(QStringLiteral("Stagetimer …"), QStringLiteral("stagetimerSetup"));
    m_internalTimer = makeButton(L10n::lookup(u"Interner Timer"), QStringLiteral("internalTimer"));
    buttons->addWidget(m_search);
    buttons->addWidget(m_searchProgress);
    buttons->addStretch(1);
    group->column()->addLayout(buttons);
    // The three source buttons sit at the right of the search button; where the texts are
    // too long for one row (German and French in a wide desktop font, while a search runs),
    // they move to a row of their own below it rather than being squeezed.
    QList<QPushButton*> sourceButtons{m_ontimeSetup, m_stagetimerSetup, m_internalTimer};
    DarkLook::apply(group);
    const int searchWidth =
        std::max(m_search->sizeHint().width(),
                 m_search->fontMetrics().horizontalAdvance(L10n::lookup(u"Suche läuft …")) +
                     (m_search->sizeHint().width() -
                      m_search->fontMetrics().horizontalAdvance(m_search->text())));
    // The search button keeps its width when its label changes.
    m_search->setMinimumWidth(searchWidth);
    int needed = searchWidth + m_searchProgress->width() + 4 * buttons->spacing();
    for (QPushButton* button : sourceButtons)
        needed += button->sizeHint().width() + buttons->spacing();
    const QMargins frame = group->contentsMargins();
    const int available = defaultWidth - 40 - frame.left() - frame.right() -
                          group->column()->contentsMargins().left() -
                          group->column()->contentsMargins().right();
    QHBoxLayout* sourceRow = buttons;
    if (needed > available) {
        sourceRow = new QHBoxLayout;
        sourceRow->addStretch(1);
        group->column()->addLayout(sourceRow);
    }
    for (QPushButton* button : sourceButtons)
        sourceRow->addWidget(button);

    m_scanInfo = new SecondaryText;
    m_scanInfo->setObjectName(QStringLiteral("scanInfo"));
    group->column()->addWidget(m_scanInfo);
    return group;
}

QWidget* SettingsWindow::buildDisplayGroup() {
    auto* group = new TitledGroup(L10n::lookup(u"Anzeige"), 6);
    m_autoShow = makeSwitch(L10n::lookup(u"Bei PowerPoint-Präsentation automatisch einblenden"),
                            QStringLiteral("autoShow"));
    m_showCaption =
        makeSwitch(L10n::lookup(u"Titel des Events anzeigen"), QStringLiteral("showCaption"));
    m_showMessages =
        makeSwitch(L10n::lookup(u"Nachrichten anzeigen"), QStringLiteral("showMessages"));
    m_showBar = makeSwitch(L10n::lookup(u"Zeitbalken anzeigen"), QStringLiteral("showBar"));
    m_hideInSharing = makeSwitch(L10n::lookup(u"Bei Bildschirmfreigabe und Aufnahmen verbergen"),
                                 QStringLiteral("hideInSharing"));
    for (QCheckBox* box : {m_autoShow, m_showCaption, m_showMessages, m_showBar, m_hideInSharing})
        group->column()->addWidget(box);
    const OverlayWindowPlatform::Capabilities capabilities =
        OverlayWindowPlatform::instance().capabilities();
    if (!capabilities.captureExclusion) {
        m_hideInSharing->setEnabled(false);
        m_hideInSharing->setToolTip(
            L10n::lookup(u"Auf diesem System nicht möglich: Bildschirmfreigaben und Aufnahmen "
                         u"zeigen das Timer-Fenster immer."));
    } else if (capabilities.captureExclusionBestEffort) {
        // Newer capture methods ignore the exclusion; the switch must not promise more.
        group->column()->addWidget(
            new SecondaryText(L10n::lookup(u"Nicht jede Bildschirmfreigabe und Aufnahme hält sich "
                                           u"daran: manche zeigen das Timer-Fenster trotzdem.")));
    }

    auto* opacityRow = new QHBoxLayout;
    auto* opacityLabel = new QLabel(L10n::lookup(u"Hintergrund"));
    m_opacity = new QSlider(Qt::Horizontal);
    m_opacity->setObjectName(QStringLiteral("opacity"));
    m_opacity->setAccessibleName(opacityLabel->text());
    m_opacity->setRange(0, opacitySteps);
    m_opacity->setSingleStep(10);
    m_opacity->setPageStep(100);
    m_opacity->setFixedWidth(180);
    opacityLabel->setBuddy(m_opacity);
    m_opacityValue = new TabularLabel;
    m_opacityValue->setObjectName(QStringLiteral("opacityValue"));
    m_opacityValue->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_opacityValue->setFixedWidth(44);
    opacityRow->addWidget(opacityLabel);
    opacityRow->addWidget(m_opacity);
    opacityRow->addWidget(m_opacityValue);
    opacityRow->addStretch(1);
    group->column()->addLayout(opacityRow);

    auto* overlayButtons = new QHBoxLayout;
    m_toggleOverlay = makeButton(QString(), QStringLiteral("toggleOverlay"));
    m_resetFrame =
        makeButton(L10n::lookup(u"Position und Größe zurücksetzen"), QStringLiteral("resetFrame"));
    overlayButtons->addWidget(m_toggleOverlay);
    overlayButtons->addWidget(m_resetFrame);
    overlayButtons->addStretch(1);
    group->column()->addLayout(overlayButtons);

    group->column()->addWidget(new SecondaryText(
        L10n::lookup(u"Das Timer-Fenster lässt sich überall anfassen und "
                     u"verschieben und an jedem Rand größer und kleiner ziehen.")));
    return group;
}

QWidget* SettingsWindow::buildPowerPointGroup() {
    auto* group = new TitledGroup(QStringLiteral("PowerPoint"), 6);
    auto* row = new QHBoxLayout;
    m_powerPointLine = new QLabel;
    m_powerPointLine->setObjectName(QStringLiteral("powerPointLine"));
    m_powerPointLine->setTextFormat(Qt::PlainText);
    m_powerPointLine->setWordWrap(true);
    m_grantPermission =
        makeButton(L10n::lookup(u"Berechtigung erteilen …"), QStringLiteral("grantPermission"));
    row->addWidget(m_powerPointLine, 1);
    row->addWidget(m_grantPermission);
    group->column()->addLayout(row);

    m_permissionHint = new SecondaryText(
        L10n::fill(L10n::lookup(u"Systemeinstellungen › Datenschutz & Sicherheit › Automation: "
                                u"bei „%@“ „Microsoft PowerPoint“ einschalten."),
                   {productName()}));
    m_permissionHint->setObjectName(QStringLiteral("permissionHint"));
    group->column()->addWidget(m_permissionHint);

    m_launchAtLogin = makeSwitch(L10n::lookup(u"Beim Anmelden automatisch starten"),
                                 QStringLiteral("launchAtLogin"));
    group->column()->addWidget(m_launchAtLogin);
    return group;
}

QWidget* SettingsWindow::buildLanguageGroup() {
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

QLayout* SettingsWindow::buildBottomRow() {
    auto* row = new QHBoxLayout;
    // The version of this build; the display name alone when the build has none.
    auto* version = new SecondaryText(productName() + u' ' + QStringLiteral(KALVANE_VERSION));
    version->setObjectName(QStringLiteral("version"));
    version->setWordWrap(false);
    auto* done = makeButton(L10n::lookup(u"Fertig"), QStringLiteral("done"));
    setDoneButton(done);
    row->addWidget(version, 0, Qt::AlignVCenter);
    row->addStretch(1);
    row->addWidget(done);
    return row;
}

void SettingsWindow::bindControls() {
    connect(&m_state, &AppState::sourceLineChanged, this, &SettingsWindow::refreshSource);
    connect(&m_state, &AppState::sourceOKChanged, this, &SettingsWindow::refreshSource);
    connect(&m_state, &AppState::powerPointLineChanged, this, &SettingsWindow::refreshPowerPoint);
    connect(&m_state, &AppState::permissionDeniedChanged, this, &SettingsWindow::refreshPowerPoint);
    connect(&m_state, &AppState::overlayVisibleChanged, this,
            &SettingsWindow::refreshOverlayButton);
    connect(&m_ontime, &OntimeModel::scanningChanged, this, &SettingsWindow::refreshSearch);
    connect(&m_ontime, &OntimeModel::scanProgressChanged, this, &SettingsWindow::refreshSearch);
    connect(&m_ontime, &OntimeModel::scanInfoChanged, this, &SettingsWindow::refreshSearch);
    for (auto signal : {&SettingsNotifier::cardChanged, &SettingsNotifier::autoShowChanged,
                        &SettingsNotifier::sharingChanged})
        connect(&SettingsNotifier::instance(), signal, this,
                &SettingsWindow::refreshDisplaySettings);
    connect(&SettingsNotifier::instance(), &SettingsNotifier::languageChanged, this,
            &SettingsWindow::refreshLanguage);

    connect(m_search, &QPushButton::clicked, this, [this] { m_app.searchTimers(); });
    connect(m_ontimeSetup, &QPushButton::clicked, this, [this] { m_app.showOntimeSetup(); });
    connect(m_stagetimerSetup, &QPushButton::clicked, this,
            [this] { m_app.showStagetimerSetup(); });
    connect(m_internalTimer, &QPushButton::clicked, this, &SettingsWindow::useInternalTimer);

    const auto bindSwitch = [this](QCheckBox* box, const char* key) {
        connect(box, &QCheckBox::toggled, this,
                [this, key](bool checked) { m_settings.setBool(key, checked); });
    };
    bindSwitch(m_autoShow, SettingsKey::autoShow);
    bindSwitch(m_showCaption, SettingsKey::showCaption);
    bindSwitch(m_showMessages, SettingsKey::showMessages);
    bindSwitch(m_showBar, SettingsKey::showBar);
    // The switch says "hide", the setting says "show": the timer window listens to the
    // setting and applies the sharing type at once.
    connect(m_hideInSharing, &QCheckBox::toggled, this,
            [this](bool hide) { m_settings.setBool(SettingsKey::showInSharing, !hide); });
    connect(m_opacity, &QSlider::valueChanged, this, [this](int value) {
        m_settings.setDouble(SettingsKey::overlayOpacity, double(value) / opacitySteps);
    });
    connect(m_toggleOverlay, &QPushButton::clicked, this, [this] { m_app.toggleOverlay(); });
    connect(m_resetFrame, &QPushButton::clicked, this, [this] { m_app.resetOverlayFrame(); });

    connect(m_grantPermission, &QPushButton::clicked, this,
            [this] { m_app.openAutomationSettings(); });
    connect(m_launchAtLogin, &QCheckBox::toggled, this, &SettingsWindow::switchLaunchAtLogin);

    connect(m_language, &QComboBox::activated, this, [this](int index) {
        m_settings.setString(SettingsKey::appLanguage, m_language->itemData(index).toString());
    });
}

void SettingsWindow::refreshSource() {
    m_sourceDot->setState(m_state.sourceOK() ? StatusDot::State::ok : StatusDot::State::busy);
    m_sourceLine->setText(m_state.sourceLine());
}

void SettingsWindow::refreshSearch() {
    if (SearchDisplay::show(m_ontime, L10n::lookup(u"Timer im Netzwerk suchen"), m_search,
                            m_searchProgress, m_scanInfo))
        fitHeight();
}

void SettingsWindow::refreshDisplaySettings() {
    const SettingsStore& settings = m_settings;
    setChecked(m_autoShow, settings.autoShow());
    setChecked(m_showCaption, settings.showCaption());
    setChecked(m_showMessages, settings.showMessages());
    setChecked(m_showBar, settings.showBar());
    // Where the system cannot keep the timer window out of captures, the switch shows that it
    // is not kept out.
    setChecked(m_hideInSharing, m_hideInSharing->isEnabled() && !settings.showInSharing());
    const double opacity = settings.overlayOpacity();
    {
        const QSignalBlocker blocker(m_opacity);
        // Only when the stored value is not the slider's own, so that a drag is not undone by
        // the rounding back.
        if (std::abs(double(m_opacity->value()) / opacitySteps - opacity) >= 0.5 / opacitySteps)
            m_opacity->setValue(int(std::lround(std::clamp(opacity, 0.0, 1.0) * opacitySteps)));
    }
    m_opacityValue->setText(opacityText(opacity));
}

void SettingsWindow::refreshOverlayButton() {
    const QString text = m_state.overlayVisible() ? L10n::lookup(u"Timer-Fenster schließen")
                                                  : L10n::lookup(u"Timer-Fenster anzeigen");
    m_toggleOverlay->setText(text);
    m_toggleOverlay->setAccessibleName(text);
}

void SettingsWindow::refreshPowerPoint() {
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
        fitHeight();
    }
}

void SettingsWindow::refreshLanguage() {
    const int index = m_language->findData(m_settings.appLanguage());
    const QSignalBlocker blocker(m_language);
    m_language->setCurrentIndex(index < 0 ? 0 : index);
}

void SettingsWindow::refreshLaunchAtLogin() {
    setChecked(m_launchAtLogin, m_app.launchAtLoginStatus());
}

void SettingsWindow::useInternalTimer() {
    m_ontime.disconnect();
    m_stagetimer.disconnect();
    m_settings.setString(SettingsKey::timerSource, QStringLiteral("internal"));
}

void SettingsWindow::switchLaunchAtLogin(bool on) {
    m_app.setLaunchAtLogin(on);
    // The system's answer, not the wish: a refused registration springs back.
    refreshLaunchAtLogin();
}

void SettingsWindow::showEvent(QShowEvent* event) {
    // The login item can be changed outside the app; show the system's status each time.
    refreshLaunchAtLogin();
    ConfigurationWindow::showEvent(event);
}

void SettingsWindow::closeEvent(QCloseEvent* event) {
    ConfigurationWindow::closeEvent(event);
    m_app.returnFocusToPresentation();
}
