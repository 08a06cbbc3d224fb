#include "platform/linux/LinuxPlatform.h"

#include "platform/linux/LinuxPresentationQuery.h"
#include "platform/linux/PresentationWindows.h"
#include "powerpoint/PowerPoint.h"
#include "powerpoint/PresentationProgram.h"
#include "powerpoint/ProcessPowerPointQuery.h"

#include <QCoreApplication>
#include <QDebug>

namespace {

bool standInConfigured() {
    return !ProcessPowerPointQuery::configuredCommand().isEmpty();
}

} // namespace

bool LinuxPlatform::isApplicationRunning(const QString& bundleIdentifier) const {
    if (bundleIdentifier == PowerPoint::bundleIdentifier)
        return ProcessPowerPointQuery::commandAvailable();
    return false;
}

bool LinuxPlatform::activateApplication(const QString& bundleIdentifier) {
    // Giving "PowerPoint" the focus back means, here, the window of the running show; a
    // program name asks for that program's show window.
    QString program;
    if (bundleIdentifier != PowerPoint::bundleIdentifier) {
        if (bundleIdentifier != PresentationProgram::impress &&
            bundleIdentifier != PresentationProgram::okular &&
            bundleIdentifier != PresentationProgram::pdfpc)
            return false;
        program = bundleIdentifier;
    }
    X11Windows windows;
    const QList<TopLevelWindow> list = windows.list();
    const TopLevelWindow* window = PresentationWindows::pick(list, program);
    return window && windows.activate(window->id);
}

std::unique_ptr<PowerPointQuery> LinuxPlatform::createPowerPointQuery() {
    if (standInConfigured())
        return std::make_unique<ProcessPowerPointQuery>(
            ProcessPowerPointQuery::configuredCommand());
    return LinuxPresentationQuery::create();
}

bool LinuxPlatform::presentationQueryAllowed() const {
    // The stand-in command counts as PowerPoint and runs only while it exists; the programs'
    // own queries only look at the buses and never start anything.
    if (standInConfigured())
        return ProcessPowerPointQuery::commandAvailable();
    return true;
}

bool LinuxPlatform::watchesOtherPresentationPrograms() const {
    return !standInConfigured();
}

void LinuxPlatform::openAutomationSettings() {
    qInfo("Linux has no automation permission for PowerPoint; there is nothing to open.");
}

bool LinuxPlatform::isInstalledCopy() const {
    const QString program = QCoreApplication::applicationFilePath();
    return program.startsWith(u"/usr/") || program.startsWith(u"/opt/");
}

std::unique_ptr<Platform> createNativePlatform() {
    return std::make_unique<LinuxPlatform>();
}
