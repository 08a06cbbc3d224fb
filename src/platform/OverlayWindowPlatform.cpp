#include "platform/OverlayWindowPlatform.h"

#include <QWidget>

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

OverlayWindowPlatform::Capabilities
OverlayWindowPlatform::macOSCapabilities(const QOperatingSystemVersion& version) {
    Capabilities capabilities;
    capabilities.aboveFullScreen = true;
    capabilities.allDesktops = true;
    capabilities.neverActivates = true;
    capabilities.captureExclusion = true;
    capabilities.captureExclusionBestEffort =
        version >= QOperatingSystemVersion(QOperatingSystemVersion::MacOS, 15);
    return capabilities;
}

void OverlayWindowPlatform::showAboveSlideShow(QWidget* window) {
    if (!window)
        return;
    // Changing flags re-creates the native window and hides it: only before it is shown.
    if (!window->windowFlags().testFlag(Qt::WindowStaysOnTopHint)) {
        const bool wasVisible = window->isVisible();
        window->setWindowFlag(Qt::WindowStaysOnTopHint, true);
        if (wasVisible)
            window->show();
    }
    window->show();
    window->raise();
    window->activateWindow();
}
