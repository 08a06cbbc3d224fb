#include "platform/OverlayWindowPlatform.h"

namespace {

OverlayWindowPlatform* installed = nullptr;

OverlayWindowPlatform& nativePlatform() {
    static const std::unique_ptr<OverlayWindowPlatform> platform =
        createNativeOverlayWindowPlatform();
    return *platform;
}

} // namespace

OverlayWindowPlatform& OverlayWindowPlatform::instance() {
    return installed ? *installed : nativePlatform();
}

void OverlayWindowPlatform::setInstance(OverlayWindowPlatform* platform) {
    installed = platform;
}
