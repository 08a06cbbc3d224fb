#include "platform/OverlayWindowPlatform.h"

#include <QWidget>

#import <AppKit/AppKit.h>

// The timer window on macOS: a Qt tool window is an NSPanel; this adds what Qt has no API for.
namespace {

// The screen-saver level, above full-screen slide shows.
constexpr NSWindowLevel overlayLevel = 1000;
// Joins all spaces (1), stationary (16), ignored by window cycling (64), allowed beside
// full-screen windows (256). Assigned, never OR-ed into Qt's value: Qt's holds
// MoveToActiveSpace, which cannot be combined with CanJoinAllSpaces.
constexpr NSWindowCollectionBehavior overlayBehavior =
    NSWindowCollectionBehaviorCanJoinAllSpaces | NSWindowCollectionBehaviorStationary |
    NSWindowCollectionBehaviorIgnoresCycle | NSWindowCollectionBehaviorFullScreenAuxiliary;
static_assert(overlayBehavior == 337);

NSWindow* nativeWindow(QWidget* widget) {
    if (!widget)
        return nil;
    NSView* view = (__bridge NSView*)reinterpret_cast<void*>(widget->winId());
    return view.window;
}

class MacOverlayWindowPlatform final : public OverlayWindowPlatform {
public:
    Capabilities capabilities() const override { return {true, true, true, true}; }

    void configureOverlayWindow(QWidget* widget) override {
        NSWindow* window = nativeWindow(widget);
        if (!window)
            return;
        window.level = overlayLevel;
        window.collectionBehavior = overlayBehavior;
        window.hidesOnDeactivate = NO;
        window.hasShadow = YES;
        window.styleMask |= NSWindowStyleMaskNonactivatingPanel;
        // AppKit honours the non-activating style only when a panel is created, and Qt
        // creates it without. Without this a click on the card would activate us and take the
        // keyboard from the slide show (presentation clickers stop working).
        const SEL preventsActivation = NSSelectorFromString(@"_setPreventsActivation:");
        if ([window respondsToSelector:preventsActivation]) {
            using Setter = void (*)(id, SEL, BOOL);
            const auto set =
                reinterpret_cast<Setter>([window methodForSelector:preventsActivation]);
            set(window, preventsActivation, YES);
        }
    }

    void orderFront(QWidget* widget) override {
        // Unlike QWidget::raise(), this never activates the application.
        [nativeWindow(widget) orderFrontRegardless];
    }

    bool setCaptureExcluded(QWidget* widget, bool excluded) override {
        NSWindow* window = nativeWindow(widget);
        if (!window)
            return false;
        window.sharingType = excluded ? NSWindowSharingNone : NSWindowSharingReadOnly;
        return true;
    }
};

} // namespace

std::unique_ptr<OverlayWindowPlatform> createNativeOverlayWindowPlatform() {
    return std::make_unique<MacOverlayWindowPlatform>();
}
