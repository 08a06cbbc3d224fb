#include "platform/linux/LinuxPlatform.h"

#include "platform/PlatformLog.h"
#include "platform/linux/LinuxPresentationQuery.h"
#include "platform/linux/PresentationWindows.h"
#include "platform/linux/XdgAutostart.h"
#include "powerpoint/PowerPoint.h"
#include "powerpoint/PresentationProgram.h"
#include "powerpoint/ProcessPowerPointQuery.h"

#include <QCoreApplication>
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

bool standInConfigured() {
    return !ProcessPowerPointQuery::configuredCommand().isEmpty();
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
    const bool activated = window && windows.activate(window->id);
    qCDebug(lcPlatform) << "activate" << bundleIdentifier << "- show window found:" << bool(window)
                        << "activated:" << activated;
    return activated;
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
    qCDebug(lcPlatform) << "Linux has no automation permission; there is nothing to open";
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
    const bool done =
        enabled ? autostart.enable(m_paths.executable, error) : autostart.disable(error);
    qCDebug(lcPlatform) << "autostart entry" << (enabled ? "enable:" : "disable:")
                        << (done ? "done" : "failed");
    return done;
}

std::unique_ptr<Platform> createNativePlatform() {
    return std::make_unique<LinuxPlatform>();
}
