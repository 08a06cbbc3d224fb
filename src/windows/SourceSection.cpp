#include "windows/SourceSection.h"

#include "l10n/L10n.h"
#include "ontime/OntimeModel.h"
#include "settings/AppState.h"
#include "settings/SettingsStore.h"
#include "stagetimer/StagetimerModel.h"
#include "windows/DarkLook.h"
#include "windows/SearchDisplay.h"
#include "windows/SecondaryText.h"
#include "windows/StatusDot.h"
#include "windows/WindowCommands.h"
#include "windows/WindowControls.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

#include <algorithm>

using WindowControls::makeButton;

SourceSection::SourceSection(WindowCommands& app, const AppState& state, OntimeModel& ontime,
                             StagetimerModel& stagetimer, SettingsStore& settings, int width,
                             QWidget* parent)
    : TitledGroup(L10n::lookup(u"Timer-Quelle"), 8, parent)
    , m_app(app)
    , m_state(state)
    , m_ontime(ontime)
    , m_stagetimer(stagetimer)
    , m_settings(settings) {
    column()->addLayout(statusRow(m_sourceDot, m_sourceLine, QStringLiteral("sourceLine"), 2));
    column()->addWidget(new SecondaryText(L10n::lookup(
        u"Sucht im Netzwerk nach laufenden Ontime- und Stagetimer-Programmen. Gibt es mehrere, "
        u"fragt ein Fenster, welcher Timer angezeigt wird. Zeit, Zeitbalken und Nachrichten "
        u"werden übernommen.")));
    buildButtons(width);
    m_scanInfo = new SecondaryText;
    m_scanInfo->setObjectName(QStringLiteral("scanInfo"));
    column()->addWidget(m_scanInfo);

    bind();
    refreshSource();
    refreshSearch();
}

void SourceSection::buildButtons(int width) {
    auto* buttons = new QHBoxLayout;
    m_search = makeButton(L10n::lookup(u"Timer im Netzwerk suchen"), QStringLiteral("search"));
    m_searchProgress = SearchDisplay::makeProgress(90);
    m_ontimeSetup = makeButton(QStringLiteral("Ontime …"), QStringLiteral("ontimeSetup"));
    m_stagetimerSetup =
        makeButton(QStringLiteral("Stagetimer …"), QStringLiteral("stagetimerSetup"));
    m_internalTimer = makeButton(L10n::lookup(u"Interner Timer"), QStringLiteral("internalTimer"));
    buttons->addWidget(m_search);
    buttons->addWidget(m_searchProgress);
    buttons->addStretch(1);
    column()->addLayout(buttons);
    // The three source buttons sit at the right of the search button; where the texts are
    // too long for one row (German and French in a wide desktop font, while a search runs),
    // they move to a row of their own below it rather than being squeezed.
    const QList<QPushButton*> sourceButtons{m_ontimeSetup, m_stagetimerSetup, m_internalTimer};
    DarkLook::apply(this);
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
    const QMargins frame = contentsMargins();
    const int available = width - frame.left() - frame.right() -
                          column()->contentsMargins().left() - column()->contentsMargins().right();
    QHBoxLayout* sourceRow = buttons;
    if (needed > available) {
        sourceRow = new QHBoxLayout;
        sourceRow->addStretch(1);
        column()->addLayout(sourceRow);
    }
    for (QPushButton* button : sourceButtons)
        sourceRow->addWidget(button);
}

void SourceSection::bind() {
    connect(&m_state, &AppState::sourceLineChanged, this, &SourceSection::refreshSource);
    connect(&m_state, &AppState::sourceOKChanged, this, &SourceSection::refreshSource);
    connect(&m_ontime, &OntimeModel::scanningChanged, this, &SourceSection::refreshSearch);
    connect(&m_ontime, &OntimeModel::scanProgressChanged, this, &SourceSection::refreshSearch);
    connect(&m_ontime, &OntimeModel::scanInfoChanged, this, &SourceSection::refreshSearch);

    connect(m_search, &QPushButton::clicked, this, [this] { m_app.searchTimers(); });
    connect(m_ontimeSetup, &QPushButton::clicked, this, [this] { m_app.showOntimeSetup(); });
    connect(m_stagetimerSetup, &QPushButton::clicked, this,
            [this] { m_app.showStagetimerSetup(); });
    connect(m_internalTimer, &QPushButton::clicked, this, &SourceSection::useInternalTimer);
}

void SourceSection::refreshSource() {
    m_sourceDot->setState(m_state.sourceOK() ? StatusDot::State::ok : StatusDot::State::busy);
    m_sourceLine->setText(m_state.sourceLine());
}

void SourceSection::refreshSearch() {
    if (SearchDisplay::show(m_ontime, L10n::lookup(u"Timer im Netzwerk suchen"), m_search,
                            m_searchProgress, m_scanInfo))
        Q_EMIT rowsChanged();
}

void SourceSection::useInternalTimer() {
    m_ontime.disconnect();
    m_stagetimer.disconnect();
    m_settings.setString(SettingsKey::timerSource, QStringLiteral("internal"));
}
