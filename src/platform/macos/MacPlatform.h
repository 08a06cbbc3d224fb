#pragma once

#include "platform/Platform.h"

// macOS: running applications through NSRunningApplication, the slide-show query through
// osascript, the privacy pane through NSWorkspace, start at login through SMAppService.
class MacPlatform final : public Platform {
public:
    bool isApplicationRunning(const QString& bundleIdentifier) const override;
    bool activateApplication(const QString& bundleIdentifier) override;
    std::unique_ptr<PowerPointQuery> createPowerPointQuery() override;
    bool hasAutomationSettings() const override { return true; }
    void openAutomationSettings() override;
    bool isInstalledCopy() const override;
    bool loginItemEnabled() const override;
    LoginItemStatus loginItemStatus() const override;
    bool setLoginItemEnabled(bool enabled, QString* error) override;
    void openLoginItemSettings() override;
};
