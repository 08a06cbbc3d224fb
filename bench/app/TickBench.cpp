// Measures the cost of one controller tick: hidden (no slide show) and with the timer window
// shown during a simulated slide show whose talk timer runs.
#include "app/AppDelegate.h"
#include "cli/SimulatedPowerPoint.h"
#include "settings/SettingsStore.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <cstdio>

namespace {

double microsecondsPerTick(AppDelegate& app, int ticks) {
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < ticks; ++i)
        app.tick();
    return static_cast<double>(timer.nsecsElapsed()) / 1000.0 / ticks;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    // Never the user's settings: a throwaway store with the defaults.
    QTemporaryDir settingsFolder;
    SettingsStore::setLocation(settingsFolder.filePath(QStringLiteral("settings.ini")));
    const int ticks = argc > 1 ? std::atoi(argv[1]) : 20000;

    SimulatedPowerPoint show(Platform::instance(), 1, 0.0, std::nullopt);
    Platform::setInstance(&show);
    AppDelegate app;
    app.setTickInterval(std::chrono::hours(1));
    app.applicationDidFinishLaunching();

    app.powerpoint().apply(-1);
    microsecondsPerTick(app, 500); // warm-up
    const double hidden = microsecondsPerTick(app, ticks);

    app.powerpoint().apply(1);
    app.powerpoint().apply(2); // the talk timer runs
    microsecondsPerTick(app, 500);
    const double shown = microsecondsPerTick(app, ticks);

    std::printf("tick, window hidden: %.2f us\n", hidden);
    std::printf(
        "tick, window shown, talk timer running: %.2f us (redraw is queued, not included)\n",
        shown);
    Platform::setInstance(nullptr);
    return 0;
}
