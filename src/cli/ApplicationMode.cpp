#include "cli/ApplicationMode.h"

#include "app/AppDelegate.h"
#include "app/SettingsStore.h"
#include "cli/AutomationSwitches.h"
#include "cli/Command.h"
#include "cli/SimulatedPowerPoint.h"
#include "cli/SnapshotWriter.h"
#include "platform/Platform.h"

#include <QApplication>
#include <QTimer>

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

} // namespace

int runApplication(int& argc, char** argv, const QStringList& arguments) {
    // Check the command line before anything appears on screen.
    AutomationSwitches overrides;
    if (!overrides.applyArguments(arguments))
        return usageExitCode;

    preferX11UnderWayland(arguments);
    QApplication application(argc, argv);
    QApplication::setApplicationDisplayName(QStringLiteral("Tessaly Kalvane"));
    // A tray app lives on when its windows close.
    QApplication::setQuitOnLastWindowClosed(false);

    AutomationSwitches switches = AutomationSwitches::fromSettings(SettingsStore());
    switches.applyArguments(arguments);

    std::unique_ptr<SimulatedPowerPoint> simulation;
    if (switches.simulateSlide) {
        simulation = std::make_unique<SimulatedPowerPoint>(
            Platform::instance(), *switches.simulateSlide, switches.simulateChangeAfter,
            switches.simulateEndAfter);
        Platform::setInstance(simulation.get());
    }

    AppDelegate app;
    app.applicationDidFinishLaunching();
    if (switches.showOverlay)
        app.showOverlay();
    openConfigurationWindows(app, switches.openWindows);

    std::unique_ptr<SnapshotWriter> snapshots;
    if (!switches.snapshotDir.isEmpty()) {
        snapshots = std::make_unique<SnapshotWriter>(app, switches.snapshotDir);
        snapshots->start();
    }
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
