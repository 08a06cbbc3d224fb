#pragma once

#include "platform/Platform.h"

// Linux has no PowerPoint: the watcher follows the presentation programs Linux speakers use
// (LibreOffice Impress, Okular, pdfpc). A command named by KLV_POWERPOINT_SCRIPT stands in
// for PowerPoint instead when set, so that the whole slide-show path runs here too. Start at
// login is an XDG autostart entry.
class LinuxPlatform final : public Platform {
public:
    // Where this program lives and starts from; the defaults are the build's install folder,
    // the running executable and the user's autostart folder. Tests pass their own.
    struct Paths {
        QString installBinFolder;
        QString executable;
        QString autostartFolder;
    };
    static Paths defaultPaths();

    LinuxPlatform();
    explicit LinuxPlatform(Paths paths);

    bool isApplicationRunning(const QString& bundleIdentifier) const override;
    bool activateApplication(const QString& bundleIdentifier) override;
    std::unique_ptr<PowerPointQuery> createPowerPointQuery() override;
    bool presentationQueryAllowed() const override;
    bool watchesOtherPresentationPrograms() const override;
    void openAutomationSettings() override;
    bool isInstalledCopy() const override;
    bool loginItemEnabled() const override;
    bool setLoginItemEnabled(bool enabled, QString* error) override;

    // Whether `executable` sits directly in `binFolder`, symbolic links resolved.
    static bool runsFrom(const QString& executable, const QString& binFolder);

private:
    Paths m_paths;
};
