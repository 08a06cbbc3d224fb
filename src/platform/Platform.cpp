#include "platform/Platform.h"

#include "powerpoint/PowerPoint.h"

#include <atomic>

namespace {

std::atomic<Platform*> installed{nullptr};

Platform& nativePlatform() {
    static const std::unique_ptr<Platform> platform = createNativePlatform();
    return *platform;
}

} // namespace

Platform& Platform::instance() {
    Platform* platform = installed.load(std::memory_order_acquire);
    return platform ? *platform : nativePlatform();
}

void Platform::setInstance(Platform* platform) {
    installed.store(platform, std::memory_order_release);
}

bool Platform::loginItemEnabled() const {
    return false;
}

LoginItemStatus Platform::loginItemStatus() const {
    return loginItemEnabled() ? LoginItemStatus::on : LoginItemStatus::off;
}

bool Platform::setLoginItemEnabled(bool, QString* error) {
    if (error)
        *error = QStringLiteral("this platform has no login items");
    return false;
}

PresentationQueries Platform::presentationQueries() {
    return {[] { return instance().createPowerPointQuery(); },
            [] { return instance().presentationQueryAllowed(); }};
}

bool Platform::presentationQueryAllowed() const {
    return isApplicationRunning(PowerPoint::bundleIdentifier);
}
