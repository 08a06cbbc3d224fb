#include "platform/linux/LinuxPlatform.h"

#include "platform/linux/XdgAutostart.h"
#include "powerpoint/PowerPoint.h"
#include "powerpoint/ProcessPowerPointQuery.h"

#include <QCoreApplication>
#include <QDebug>
#include <QDir>
#include <QFileInfo>

#ifndef KALVANE_INSTALL_BINDIR
#error "the build passes the configured install folder of the program"
#endif

namespace {

QString resolved(const QString& path) {
    const QFileInfo info(path);
    const QString canonical = info.canonicalFilePath();
    return canonical.isEmpty() ? QDir::cleanPath(info.absoluteFilePath()) : canonical;
}

} // namespace

LinuxPlatform::Paths LinuxPlatform::defaultPaths() {
    return {QStringLiteral(KALVANE_INSTALL_BINDIR), QCoreApplication::applicationFilePath(),
            XdgAutostart::defaultFolder()};
}

LinuxPlatform::LinuxPlatform()
    : LinuxPlatform(defaultPaths()) {}

LinuxPlatform::LinuxPlatform(Paths paths)
    : m_paths(std::move(paths)) {}

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

bool LinuxPlatform::runsFrom(const QString& executable, const QString& binFolder) {
    if (executable.isEmpty() || binFolder.isEmpty())
        return false;
    return QFileInfo(resolved(executable)).path() == resolved(binFolder);
}

bool LinuxPlatform::isInstalledCopy() const {
    return runsFrom(m_paths.executable, m_paths.installBinFolder);
}

bool LinuxPlatform::loginItemEnabled() const {
    return XdgAutostart(m_paths.autostartFolder).isEnabled();
}

bool LinuxPlatform::setLoginItemEnabled(bool enabled, QString* error) {
    XdgAutostart autostart(m_paths.autostartFolder);
    return enabled ? autostart.enable(m_paths.executable, error) : autostart.disable(error);
}

std::unique_ptr<Platform> createNativePlatform() {
    return std::make_unique<LinuxPlatform>();
}
