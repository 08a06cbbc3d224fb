#include "cli/ApplicationMode.h"

#include "app/AlertDialog.h"
#include "app/AppDelegate.h"
#include "app/AppLog.h"
#include "app/QtTranslations.h"
#include "app/SingleInstance.h"
#include "app/TimerChooserDialog.h"
#include "cli/AutomationSwitches.h"
#include "cli/PrintLine.h"
#include "cli/SimulatedPowerPoint.h"
#include "cli/SnapshotWriter.h"
#include "cli/Usage.h"
#include "l10n/L10n.h"
#include "platform/Platform.h"
#include "platform/ReopenEvents.h"
#include "settings/SettingsStore.h"

#include <QApplication>
#include <QTimer>

#include <cstdio>

namespace {

// Wayland lets no ordinary client keep a window on top, place it or refuse it the focus;
// under XWayland all three work. The user's own choice of platform wins.
void preferX11UnderWayland(const QStringList& arguments) {
    if (qEnvironmentVariable("XDG_SESSION_TYPE") != u"wayland" ||
        qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        return;
    if (arguments.contains(QStringLiteral("-platform")))
        return;
    qputenv("QT_QPA_PLATFORM", "xcb");
}

// The configuration windows asked for on the command line or in the automation settings.
void openConfigurationWindows(AppDelegate& app, const QStringList& names) {
    for (const QString& name : names) {
        if (name == u"settings")
            app.showSettings();
        else if (name == u"ontime")
            app.showOntimeSetup();
        else if (name == u"stagetimer")
            app.showStagetimerSetup();
    }
}

// Answers a dialog the way --choose says: the chooser with its row or "Abbrechen", an alert
// with its confirmation.
void answer(AlertDialog& dialog, int choose) {
    auto* chooser = qobject_cast<TimerChooserDialog*>(&dialog);
    if (!chooser) {
        dialog.accept();
        return;
    }
    if (choose < 1 || choose > chooser->labels().size()) {
        if (choose > 0)
            std::fprintf(stderr, "kalvane: --choose %d: the chooser has %d rows; cancelled\n",
                         choose, int(chooser->labels().size()));
        chooser->reject();
        return;
    }
    chooser->select(choose - 1);
    chooser->accept();
}

} // namespace

int runApplication(int& argc, char** argv, const QStringList& arguments) {
    // Check the command line before anything appears on screen.
    AutomationSwitches overrides;
    if (!overrides.applyArguments(arguments))
        return usageExitCode;

    preferX11UnderWayland(arguments);
    QApplication application(argc, argv);
    // No application display name: Qt would append it to every window title on X11, and our
    // titles already name the app. The desktop file name ties the windows to the menu entry
    // and its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.tessaly.Kalvane"));
    // A tray app lives on when its windows close.
    QApplication::setQuitOnLastWindowClosed(false);
    // Qt's own texts (key names in the menu's shortcuts, standard buttons) in our language.
    QtTranslations::install(application, L10n::current());

    const SettingsStore settings;
    // One tray app per user and settings file: a second start hands over to the first.
    SingleInstance instance(SingleInstance::serverName(settings.fileName()));
    switch (instance.claim()) {
    case SingleInstance::Claim::first:
        break;
    case SingleInstance::Claim::handedOver:
        printLine(stderr,
                  L10n::lookup(u"Tessaly Kalvane läuft bereits – die Einstellungen sind jetzt "
                               u"geöffnet."));
        return 0;
    case SingleInstance::Claim::unanswered:
        std::fprintf(stderr, "kalvane: another start holds %s but does not answer\n",
                     qPrintable(instance.lockFileName()));
        return 1;
    case SingleInstance::Claim::unguarded:
        qCWarning(lcApp).noquote() << "Could not lock" << instance.lockFileName()
                                   << "- a second start may run beside this one";
        break;
    }

    if (!settings.restrictToUser())
        qCWarning(lcApp).noquote()
            << "Could not restrict the settings file to this user:" << settings.fileName();
    AutomationSwitches switches = AutomationSwitches::fromSettings(settings);
    switches.applyArguments(arguments);
    if (switches.talkLength)
        SettingsStore::setForThisRun(SettingsKey::talkLengthMinutes, *switches.talkLength);

    std::unique_ptr<SimulatedPowerPoint> simulation;
    if (switches.simulateSlide) {
        simulation = std::make_unique<SimulatedPowerPoint>(
            Platform::instance(), *switches.simulateSlide, switches.simulateChangeAfter,
            switches.simulateEndAfter);
        Platform::setInstance(simulation.get());
    }

    AppDelegate app;
    QObject::connect(&instance, &SingleInstance::reopenRequested, &app,
                     &AppDelegate::applicationShouldHandleReopen);
    // The system's own request, when the running app is opened again from the Finder, the Dock
    // or Spotlight.
    QObject::connect(ReopenEvents::create(&app), &ReopenEvents::reopenRequested, &app,
                     &AppDelegate::applicationShouldHandleReopen);

    std::unique_ptr<SnapshotWriter> snapshots;
    if (!switches.snapshotDir.isEmpty())
        snapshots = std::make_unique<SnapshotWriter>(app, switches.snapshotDir);
    if (snapshots || switches.choose) {
        QObject::connect(&app, &AppDelegate::dialogShown,
                         [&snapshots, choose = switches.choose](AlertDialog& dialog) {
                             if (snapshots)
                                 snapshots->writeDialog(dialog);
                             if (choose)
                                 answer(dialog, *choose);
                         });
    }

    app.applicationDidFinishLaunching();
    if (switches.showOverlay)
        app.showOverlay();
    openConfigurationWindows(app, switches.openWindows);
    if (snapshots)
        snapshots->start();
    if (switches.quitAfter) {
        QTimer::singleShot(std::chrono::milliseconds(qRound64(*switches.quitAfter * 1000)),
                           &application, [&snapshots] {
                               if (snapshots)
                                   snapshots->finish();
                               QCoreApplication::quit();
                           });
    }

    const int exitCode = QApplication::exec();
    Platform::setInstance(nullptr);
    return exitCode;
}
