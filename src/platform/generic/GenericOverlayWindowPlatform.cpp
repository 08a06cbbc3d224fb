#include "platform/OverlayWindowPlatform.h"

// Where no native code exists, Qt's window flags are all the timer window gets: stays on
// top, takes no focus, shows without activation.
namespace {

class GenericOverlayWindowPlatform final : public OverlayWindowPlatform {
public:
    Capabilities capabilities() const override { return {}; }
    void configureOverlayWindow(QWidget*, const OutlineCard&) override {}
    void orderFront(QWidget*) override {}
    bool setCaptureExcluded(QWidget*, bool) override { return false; }
};

} // namespace

std::unique_ptr<OverlayWindowPlatform> createNativeOverlayWindowPlatform() {
    return std::make_unique<GenericOverlayWindowPlatform>();
}
