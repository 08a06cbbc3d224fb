#include "app/TimerChooser.h"

#include "app/AlertDialog.h"
#include "app/AppLog.h"
#include "app/ConfigurationWindows.h"
#include "app/TimerChooserDialog.h"
#include "l10n/Format.h"
#include "l10n/L10n.h"
#include "ontime/OntimeModel.h"
#include "platform/OverlayWindowPlatform.h"
#include "powerpoint/PowerPointWatcher.h"
#include "settings/SettingsStore.h"
#include "stagetimer/StagetimerModel.h"

#include <QPointer>
#include <QTimer>

TimerChooser::TimerChooser(SettingsStore& settings, OntimeModel& ontime,
                           StagetimerModel& stagetimer, const PowerPointWatcher& watcher,
                           ConfigurationWindows& windows, QObject* parent)
    : QObject(parent)
    , m_settings(settings)
    , m_ontime(ontime)
    , m_stagetimer(stagetimer)
    , m_watcher(watcher)
    , m_windows(windows) {
    // The client offers its finds from inside its scan task; the modal chooser must run from
    // the event loop instead, after the task has finished its step.
    connect(&m_ontime, &OntimeModel::choiceOffered, this, &TimerChooser::chooseTimer,
            Qt::QueuedConnection);
}

void TimerChooser::chooseTimer(const QList<OntimeServer>& ontimes,
                               const QList<StagetimerDesktop>& stagetimers) {
    const QList<TimerChoice> choices = TimerChoice::list(ontimes, stagetimers);
    if (choices.size() < 2)
        return;
    const bool settingsOpen = m_windows.isSettingsWindowVisible();
    if (m_watcher.slideShowRunning() && !settingsOpen) {
        qCDebug(lcApp) << "chooser waits for the end of the slide show";
        m_pendingChoice = ChooserRequest{ontimes, stagetimers};
        return;
    }
    if (!m_watcher.hasReported() && !settingsOpen) {
        // Right after start the watcher has not answered yet, and a show may be running: ask
        // again once it has, rather than put a dialog over the slides.
        qCDebug(lcApp) << "chooser waits for the watcher's first answer";
        m_pendingChoice = ChooserRequest{ontimes, stagetimers};
        QPointer<TimerChooser> self(this);
        QTimer::singleShot(PowerPointWatcher::defaultInterval / 5, this, [self] {
            if (self && self->m_pendingChoice && !self->m_watcher.slideShowRunning()) {
                const ChooserRequest request = *std::exchange(self->m_pendingChoice, std::nullopt);
                self->chooseTimer(request.first, request.second);
            }
        });
        return;
    }
    // The user is already choosing; a second dialog on top of the first would only confuse.
    if (m_chooserOpen) {
        qCDebug(lcApp) << "chooser already open; new finds dropped";
        return;
    }
    m_chooserOpen = true;
    qCDebug(lcApp) << "chooser opens with" << choices.size() << "choices";
    QPointer<TimerChooser> self(this);
    TimerChooserDialog dialog(choices,
                              TimerChoice::preselected(choices, m_settings.isInternalSource()));
    const bool accepted = runDialog(dialog) == QDialog::Accepted;
    if (!self)
        return;
    m_chooserOpen = false;
    if (accepted) {
        if (const std::optional<TimerChoice> choice = dialog.chosen())
            use(*choice);
    } else {
        qCDebug(lcApp) << "chooser cancelled";
    }
    m_windows.returnFocusToPresentation();
}

void TimerChooser::use(const TimerChoice& choice) {
    qCDebug(lcApp) << "use" << choice.label();
    switch (choice.kind) {
    case TimerChoice::Kind::ontime:
        // Connecting stores Ontime as the source and, through onConnected, ends Stagetimer.
        m_ontime.connect(choice.server);
        return;
    case TimerChoice::Kind::stagetimer: {
        const QString address = choice.desktop.host + u':' + QString::number(choice.desktop.port);
        if (!choice.desktop.apiV1) {
            AlertDialog alert(
                L10n::lookup(u"Stagetimer-App zu alt"),
                L10n::fill(L10n::lookup(u"Die Stagetimer-Desktop-App auf %@ unterstützt die API "
                                        u"v1 noch nicht. Bitte Stagetimer aktualisieren."),
                           {address}));
            runDialog(alert);
            return;
        }
        m_stagetimer.setServer(address);
        if (!m_settings.stagetimerRoom().isEmpty() && !m_settings.stagetimerKey().isEmpty())
            m_stagetimer.connect();
        else
            m_windows.showStagetimerSetup();
        return;
    }
    case TimerChoice::Kind::internalTimer:
        m_ontime.disconnect();
        m_stagetimer.disconnect();
        m_settings.setString(SettingsKey::timerSource, QStringLiteral("internal"));
        return;
    }
}

void TimerChooser::showEnded() {
    if (!m_pendingChoice)
        return;
    // From the event loop, so that the chooser's modal loop does not run inside the watcher's
    // report.
    QPointer<TimerChooser> self(this);
    QMetaObject::invokeMethod(
        this,
        [self, request = *std::exchange(m_pendingChoice, std::nullopt)] {
            if (self)
                self->chooseTimer(request.first, request.second);
        },
        Qt::QueuedConnection);
}

int TimerChooser::runDialog(AlertDialog& dialog) {
    // Modality before showing: Qt applies it when the window appears.
    dialog.setWindowModality(Qt::ApplicationModal);
    OverlayWindowPlatform::instance().showAboveSlideShow(&dialog);
    QTimer::singleShot(0, &dialog, [this, &dialog] { Q_EMIT dialogShown(dialog); });
    // The ticker keeps firing inside this loop, so the timer window stays current.
    return dialog.exec();
}
