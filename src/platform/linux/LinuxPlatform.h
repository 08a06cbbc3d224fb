#pragma once

#include "platform/Platform.h"

// Linux has no PowerPoint: the watcher follows the presentation programs Linux speakers use
// (LibreOffice Impress, Okular, pdfpc). A command named by KLV_POWERPOINT_SCRIPT stands in
// for PowerPoint instead when set, so that the whole slide-show path runs here too.
class LinuxPlatform final : public Platform {
public:
    bool isApplicationRunning(const QString& bundleIdentifier) const override;
    bool activateApplication(const QString& bundleIdentifier) override;
    std::unique_ptr<PowerPointQuery> createPowerPointQuery() override;
    bool presentationQueryAllowed() const override;
    bool watchesOtherPresentationPrograms() const override;
    void openAutomationSettings() override;
    bool isInstalledCopy() const override;
};
