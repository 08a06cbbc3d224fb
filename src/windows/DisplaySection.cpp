#include "windows/DisplaySection.h"

#include "l10n/L10n.h"
#include "platform/OverlayWindowPlatform.h"
#include "settings/AppState.h"
#include "settings/SettingsNotifier.h"
#include "settings/SettingsStore.h"
#include "windows/SecondaryText.h"
#include "windows/TabularText.h"
#include "windows/TalkLengthBox.h"
#include "windows/WindowCommands.h"
#include "windows/WindowControls.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>

#include <algorithm>
#include <cmath>

using WindowControls::makeButton;
using WindowControls::makeSwitch;
using WindowControls::showChecked;

DisplaySection::DisplaySection(WindowCommands& app, const AppState& state, SettingsStore& settings,
                               QWidget* parent)
    : TitledGroup(L10n::lookup(u"Anzeige"), 6, parent)
    , m_app(app)
    , m_state(state)
    , m_settings(settings) {
    buildSwitches();
    buildValueRows();
    buildOverlayButtons();
    column()->addWidget(new SecondaryText(
        L10n::lookup(u"Das Timer-Fenster lässt sich überall anfassen und "
                     u"verschieben und an jedem Rand größer und kleiner ziehen.")));

    bind();
    refreshSettings();
    refreshTalkLength();
    refreshOverlayButton();
}

QString DisplaySection::opacityText(double opacity) {
    // Truncated as the slider's percentage, but a value such as 0.29, which binary fractions
    // hold as 0.28999…, still reads 29.
    const double percent = std::trunc(std::clamp(opacity, 0.0, 1.0) * 100 + 1e-9);
    return QString::number(int(percent)) + QStringLiteral(" %");
}

void DisplaySection::buildSwitches() {
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
        column()->addWidget(box);
    const OverlayWindowPlatform::Capabilities capabilities =
        OverlayWindowPlatform::instance().capabilities();
    if (!capabilities.captureExclusion) {
        m_hideInSharing->setEnabled(false);
        m_hideInSharing->setToolTip(
            L10n::lookup(u"Auf diesem System nicht möglich: Bildschirmfreigaben und Aufnahmen "
                         u"zeigen das Timer-Fenster immer."));
    } else if (capabilities.captureExclusionBestEffort) {
        // Newer capture methods ignore the exclusion; the switch must not promise more.
        column()->addWidget(
            new SecondaryText(L10n::lookup(u"Nicht jede Bildschirmfreigabe und Aufnahme hält sich "
                                           u"daran: manche zeigen das Timer-Fenster trotzdem.")));
    }
}

void DisplaySection::buildValueRows() {
    // One grid, so that the slider and the number box start at the same place whatever the
    // labels' lengths in the language shown.
    auto* grid = new QGridLayout;
    grid->setColumnStretch(3, 1);

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
    grid->addWidget(opacityLabel, 0, 0);
    grid->addWidget(m_opacity, 0, 1);
    grid->addWidget(m_opacityValue, 0, 2);

    auto* talkLengthLabel = new QLabel(L10n::lookup(u"Redezeit"));
    m_talkLength = new TalkLengthBox(talkLengthLabel->text());
    talkLengthLabel->setBuddy(m_talkLength);
    grid->addWidget(talkLengthLabel, 1, 0);
    grid->addWidget(m_talkLength, 1, 1, Qt::AlignLeft);
    column()->addLayout(grid);
    column()->addWidget(
        new SecondaryText(L10n::lookup(u"Mit einer Redezeit zählt der interne Timer ab dem ersten "
                                       u"Klick rückwärts; „Aus“ zeigt die Vortragszeit.")));
}

void DisplaySection::buildOverlayButtons() {
    auto* row = new QHBoxLayout;
    m_toggleOverlay = makeButton(QString(), QStringLiteral("toggleOverlay"));
    m_resetFrame =
        makeButton(L10n::lookup(u"Position und Größe zurücksetzen"), QStringLiteral("resetFrame"));
    row->addWidget(m_toggleOverlay);
    row->addWidget(m_resetFrame);
    row->addStretch(1);
    column()->addLayout(row);
}

void DisplaySection::bind() {
    connect(&m_state, &AppState::overlayVisibleChanged, this,
            &DisplaySection::refreshOverlayButton);
    for (auto signal : {&SettingsNotifier::cardChanged, &SettingsNotifier::autoShowChanged,
                        &SettingsNotifier::sharingChanged})
        connect(&SettingsNotifier::instance(), signal, this, &DisplaySection::refreshSettings);

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
    connect(m_talkLength, &QSpinBox::valueChanged, this,
            [this](int minutes) { m_settings.setTalkLengthMinutes(minutes); });
    connect(&SettingsNotifier::instance(), &SettingsNotifier::talkLengthChanged, this,
            &DisplaySection::refreshTalkLength);
    connect(m_toggleOverlay, &QPushButton::clicked, this, [this] { m_app.toggleOverlay(); });
    connect(m_resetFrame, &QPushButton::clicked, this, [this] { m_app.resetOverlayFrame(); });
}

void DisplaySection::refreshSettings() {
    const SettingsStore& settings = m_settings;
    showChecked(m_autoShow, settings.autoShow());
    showChecked(m_showCaption, settings.showCaption());
    showChecked(m_showMessages, settings.showMessages());
    showChecked(m_showBar, settings.showBar());
    // Where the system cannot keep the timer window out of captures, the switch shows that it
    // is not kept out.
    showChecked(m_hideInSharing, m_hideInSharing->isEnabled() && !settings.showInSharing());
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

void DisplaySection::refreshTalkLength() {
    const QSignalBlocker blocker(m_talkLength);
    m_talkLength->setValue(int(m_settings.talkLengthMinutes()));
}

void DisplaySection::refreshOverlayButton() {
    const QString text = m_state.overlayVisible() ? L10n::lookup(u"Timer-Fenster schließen")
                                                  : L10n::lookup(u"Timer-Fenster anzeigen");
    m_toggleOverlay->setText(text);
    m_toggleOverlay->setAccessibleName(text);
}
