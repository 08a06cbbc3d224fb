#include "platform/linux/LinuxPlatform.h"

#include "powerpoint/PowerPoint.h"
#include "powerpoint/ProcessPowerPointQuery.h"

#include <QCoreApplication>
#include <QDebug>

bool LinuxPlatform::isApplicationRunning(const QString& bundleIdentifier) const {
    if (bundleIdentifier == PowerPoint::bundleIdentifier)
        return ProcessPowerPointQuery::commandAvailable();
    return false;
}

bool LinuxPlatform::activateApplication(const QString&) {
    // Window managers decide focus on X11; the stand-in command has no window to raise.
    return false;
}

std::unique_ptr<PowerPointQuery> LinuxPlatform::createPowerPointQuery() {
    return std::make_unique<ProcessPowerPointQuery>(ProcessPowerPointQuery::configuredCommand());
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
