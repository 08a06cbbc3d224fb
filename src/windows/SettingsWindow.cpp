#include "windows/SettingsWindow.h"

#include "kalvane/Version.h"
#include "l10n/Format.h"
#include "l10n/L10n.h"
#include "l10n/ProductName.h"
#include "windows/DisplaySection.h"
#include "windows/GeneralSection.h"
#include "windows/SaveFailureLine.h"
#include "windows/SecondaryText.h"
#include "windows/SourceSection.h"
#include "windows/WindowCommands.h"

#include <QVBoxLayout>

SettingsWindow::SettingsWindow(WindowCommands& app, AppState& state, OntimeModel& ontime,
                               StagetimerModel& stagetimer, SettingsStore& settings,
                               QWidget* parent)
    : ConfigurationWindow(L10n::fill(L10n::lookup(u"%@ – Einstellungen"), {productName()}),
                          defaultWidth, defaultHeight, parent)
    , m_app(app) {
    const QMargins margins = column()->contentsMargins();
    auto* source = new SourceSection(app, state, ontime, stagetimer, settings,
                                     defaultWidth - margins.left() - margins.right());
    column()->addWidget(source);
    column()->addWidget(new DisplaySection(app, state, settings));
    auto* general = new GeneralSection(app, state, settings);
    column()->addWidget(general);
    // Last above the buttons: seen on the way to "Fertig".
    auto* saveFailure = new SaveFailureLine;
    column()->addWidget(saveFailure);

    // The version of this build; the display name alone when the build has none.
    auto* version = new SecondaryText(productName() + u' ' + QStringLiteral(KALVANE_VERSION));
    version->setObjectName(QStringLiteral("version"));
    version->setWordWrap(false);
    addBottomRow({version});

    connect(source, &SourceSection::rowsChanged, this, &SettingsWindow::fitHeight);
    connect(general, &GeneralSection::rowsChanged, this, &SettingsWindow::fitHeight);
    connect(saveFailure, &SaveFailureLine::shownChanged, this, &SettingsWindow::fitHeight);
    finishSetup();
}

void SettingsWindow::closeEvent(QCloseEvent* event) {
    ConfigurationWindow::closeEvent(event);
    m_app.returnFocusToPresentation();
}
