#pragma once

#include "platform/Platform.h"

// Linux has no PowerPoint; a command named by KLV_POWERPOINT_SCRIPT stands in for it, so
// that the whole slide-show path runs here too.
class LinuxPlatform final : public Platform {
public:
    bool isApplicationRunning(const QString& bundleIdentifier) const override;
    bool activateApplication(const QString& bundleIdentifier) override;
    std::unique_ptr<PowerPointQuery> createPowerPointQuery() override;
    void openAutomationSettings() override;
    bool isInstalledCopy() const override;
};
