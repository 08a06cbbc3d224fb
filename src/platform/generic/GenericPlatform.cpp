#include "platform/Platform.h"

#include "platform/PlatformLog.h"
#include "powerpoint/ProcessPowerPointQuery.h"

namespace {

// Platforms without a native implementation yet: no other applications are visible and only
// the stand-in presentation command works.
class GenericPlatform final : public Platform {
public:
    bool isApplicationRunning(const QString&) const override {
        return ProcessPowerPointQuery::commandAvailable();
    }
    bool activateApplication(const QString&) override { return false; }
    std::unique_ptr<PowerPointQuery> createPowerPointQuery() override {
        return std::make_unique<ProcessPowerPointQuery>(
            ProcessPowerPointQuery::configuredCommand());
    }
    void openAutomationSettings() override {
        qCDebug(lcPlatform) << "there are no automation settings to open on this platform";
    }
    bool isInstalledCopy() const override { return false; }
};

} // namespace

std::unique_ptr<Platform> createNativePlatform() {
    return std::make_unique<GenericPlatform>();
}
