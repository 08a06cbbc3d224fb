// Gives the focus to the window of the running show through the platform, as the app does
// after its own windows close; the bench checks which window is active afterwards.
//   bench_activate_show_window [PROGRAM]   (default: whichever program presents)
#include "platform/Platform.h"
#include "powerpoint/PowerPoint.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    const QString target =
        argc > 1 ? QString::fromLocal8Bit(argv[1]) : PowerPoint::bundleIdentifier;
    const bool activated = Platform::instance().activateApplication(target);
    std::puts(activated ? "activated" : "no show window");
    return activated ? 0 : 1;
}
