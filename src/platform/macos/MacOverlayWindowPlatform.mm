#include "platform/OverlayWindowPlatform.h"

#include "platform/HoverForwarder.h"
#include "platform/PlatformLog.h"
#include "platform/WindowStacking.h"

#include <QVariant>
#include <QWidget>

#include <memory>
#include <optional>

#import <AppKit/AppKit.h>
#import <CoreGraphics/CoreGraphics.h>
#import <objc/runtime.h>

// Receives the pointer events that Qt's view ignores while the application is inactive (always,
// during a slide show: the timer window never activates us) and hands them to the widgets, then
// shows the cursor they chose. While we are active Qt's own tracking does all of this.
@interface KalvaneHoverTracker : NSObject
- (instancetype)initWithView:(NSView*)view widget:(QWidget*)widget;
@end

namespace {

// The screen-saver level, above full-screen slide shows.
constexpr NSWindowLevel overlayLevel = 1000;
// One above the card: the settings and setup windows, the chooser and alerts stay usable where
// they overlap it, whatever the card does to stay in front.
constexpr NSWindowLevel configurationLevel = overlayLevel + 1;
// Joins all spaces (1), stationary (16), ignored by window cycling (64), allowed beside
// full-screen windows (256). Assigned, never OR-ed into Qt's value: Qt's holds
// MoveToActiveSpace, which cannot be combined with CanJoinAllSpaces.
constexpr NSWindowCollectionBehavior overlayBehavior =
    NSWindowCollectionBehaviorCanJoinAllSpaces | NSWindowCollectionBehaviorStationary |
    NSWindowCollectionBehaviorIgnoresCycle | NSWindowCollectionBehaviorFullScreenAuxiliary;
static_assert(overlayBehavior == 337);
// Mouse entered and exited (1), mouse moved (2), active always (128), in the visible rectangle
// (512). No cursor-update option: AppKit sends no cursor updates to an always-active area.
constexpr NSTrackingAreaOptions hoverOptions = NSTrackingMouseEnteredAndExited |
                                               NSTrackingMouseMoved | NSTrackingActiveAlways |
                                               NSTrackingInVisibleRect;
static_assert(hoverOptions == 643);

// Where the sharing wish of a window is kept, so that it survives a rebuilt native window.
constexpr char captureExcludedProperty[] = "kalvaneCaptureExcluded";
// The key under which a view keeps its hover tracker alive: a tracking area is not
// documented to keep its owner.
char hoverTrackerKey;

NSView* nativeView(QWidget* widget, bool create) {
    if (!widget)
        return nil;
    const WId id = create ? widget->winId() : widget->internalWinId();
    return (__bridge NSView*)reinterpret_cast<void*>(id);
}

NSWindow* nativeWindow(QWidget* widget, bool create = true) {
    return nativeView(widget, create).window;
}

void applySharingType(QWidget* widget, NSWindow* window) {
    const QVariant excluded = widget->property(captureExcludedProperty);
    // Until the panel has said otherwise, stay out of captures, the safer side.
    window.sharingType =
        (!excluded.isValid() || excluded.toBool()) ? NSWindowSharingNone : NSWindowSharingReadOnly;
}

// AppKit honours the non-activating style only when a panel is created, and Qt creates it
// without. Without this a click on the card would activate us and take the keyboard from the
// slide show (presentation clickers stop working). The selector is private: say so loudly
// when a macOS release no longer has it.
void preventActivation(NSWindow* window) {
    const SEL preventsActivation = NSSelectorFromString(@"_setPreventsActivation:");
    if (![window respondsToSelector:preventsActivation]) {
        static bool warned = false;
        if (!warned) {
            warned = true;
            qCWarning(lcPlatform,
                      "This macOS has no _setPreventsActivation:; a click on the timer window "
                      "may now activate the app and take the keyboard from the slide show.");
        }
        return;
    }
    using Setter = void (*)(id, SEL, BOOL);
    const auto set = reinterpret_cast<Setter>([window methodForSelector:preventsActivation]);
    set(window, preventsActivation, YES);
}

void installHoverTracking(NSView* view, QWidget* widget) {
    if (objc_getAssociatedObject(view, &hoverTrackerKey) != nil)
        return;
    KalvaneHoverTracker* tracker = [[KalvaneHoverTracker alloc] initWithView:view widget:widget];
    objc_setAssociatedObject(view, &hoverTrackerKey, tracker, OBJC_ASSOCIATION_RETAIN_NONATOMIC);
    // The visible-rectangle option keeps the area in step with the view's size.
    [view addTrackingArea:[[NSTrackingArea alloc] initWithRect:NSZeroRect
                                                       options:hoverOptions
                                                         owner:tracker
                                                      userInfo:nil]];
}

// AppKit's diagonal resize cursors are public from macOS 15. Before, they exist only under
// private names; without those the crosshair at least says that the corner can be grabbed.
NSCursor* diagonalCursor(bool down) {
#if defined(MAC_OS_VERSION_15_0) && __MAC_OS_X_VERSION_MAX_ALLOWED >= MAC_OS_VERSION_15_0
    if (@available(macOS 15, *))
        return [NSCursor frameResizeCursorFromPosition:down ? NSCursorFrameResizePositionBottomRight
                                                            : NSCursorFrameResizePositionBottomLeft
                                          inDirections:NSCursorFrameResizeDirectionsAll];
#endif
    const SEL named = NSSelectorFromString(down ? @"_windowResizeNorthWestSouthEastCursor"
                                                : @"_windowResizeNorthEastSouthWestCursor");
    if (![NSCursor respondsToSelector:named])
        return NSCursor.crosshairCursor;
    using Getter = NSCursor* (*)(id, SEL);
    const auto get = reinterpret_cast<Getter>([NSCursor methodForSelector:named]);
    return get([NSCursor class], named);
}

NSCursor* cursorFor(HoverForwarder::SystemCursor cursor) {
    using Cursor = HoverForwarder::SystemCursor;
    switch (cursor) {
    case Cursor::pointingHand:
        return NSCursor.pointingHandCursor;
    case Cursor::resizeLeftRight:
        return NSCursor.resizeLeftRightCursor;
    case Cursor::resizeUpDown:
        return NSCursor.resizeUpDownCursor;
    case Cursor::resizeDiagonalDown:
        return diagonalCursor(true);
    case Cursor::resizeDiagonalUp:
        return diagonalCursor(false);
    case Cursor::openHand:
        return NSCursor.openHandCursor;
    case Cursor::closedHand:
        return NSCursor.closedHandCursor;
    case Cursor::arrow:
        break;
    }
    return NSCursor.arrowCursor;
}

// Whether another program's window hides part of the card where ordering the card to the
// front would help, from the card and the windows in front of it as the window server lists
// them: global coordinates from the top left, window levels as layers.
bool isCovered(NSWindow* window) {
    const auto own = static_cast<CGWindowID>(window.windowNumber);
    NSArray* listed = CFBridgingRelease(CGWindowListCopyWindowInfo(
        kCGWindowListOptionOnScreenAboveWindow | kCGWindowListOptionIncludingWindow, own));
    const pid_t us = NSRunningApplication.currentApplication.processIdentifier;
    std::optional<WindowStacking::StackedWindow> card;
    QList<WindowStacking::StackedWindow> inFront;
    for (NSDictionary* info in listed) {
        CGRect bounds;
        const auto bound = (__bridge CFDictionaryRef)info[(__bridge NSString*)kCGWindowBounds];
        if (bound == nullptr || !CGRectMakeWithDictionaryRepresentation(bound, &bounds))
            continue;
        NSNumber* alpha = info[(__bridge NSString*)kCGWindowAlpha];
        const WindowStacking::StackedWindow stacked{
            QRectF::fromCGRect(bounds), [info[(__bridge NSString*)kCGWindowLayer] intValue],
            alpha ? alpha.doubleValue : 1.0,
            [info[(__bridge NSString*)kCGWindowOwnerPID] intValue] == us};
        if ([info[(__bridge NSString*)kCGWindowNumber] unsignedIntValue] == own)
            card = stacked;
        else
            inFront.append(stacked);
    }
    return card && WindowStacking::coversCard(*card, inFront);
}

Qt::MouseButtons pressedButtons() {
    const NSUInteger pressed = NSEvent.pressedMouseButtons;
    Qt::MouseButtons buttons;
    buttons.setFlag(Qt::LeftButton, pressed & (1 << 0));
    buttons.setFlag(Qt::RightButton, pressed & (1 << 1));
    buttons.setFlag(Qt::MiddleButton, pressed & (1 << 2));
    return buttons;
}

// A configuration window joins every space and may stand beside a full-screen window. Within
// each group AppKit takes one choice only (all spaces excludes moving to the active space;
// auxiliary excludes primary and none), so the others are taken out first.
NSWindowCollectionBehavior configurationBehavior(NSWindowCollectionBehavior current) {
    current &=
        ~(NSWindowCollectionBehaviorMoveToActiveSpace |
          NSWindowCollectionBehaviorFullScreenPrimary | NSWindowCollectionBehaviorFullScreenNone);
    return current | NSWindowCollectionBehaviorCanJoinAllSpaces |
           NSWindowCollectionBehaviorFullScreenAuxiliary;
}

void activateApplication() {
    // From macOS 14 "ignoring other apps" is ignored; the plain request is what remains.
    if (@available(macOS 14, *))
        [NSApp activate];
    else
        [NSApp activateIgnoringOtherApps:YES];
}

class MacOverlayWindowPlatform final : public OverlayWindowPlatform {
public:
    Capabilities capabilities() const override {
        return macOSCapabilities(QOperatingSystemVersion::current());
    }

    void configureOverlayWindow(QWidget* widget, const OutlineCard&) override {
        NSView* view = nativeView(widget, true);
        NSWindow* window = view.window;
        if (!window)
            return;
        window.level = overlayLevel;
        window.collectionBehavior = overlayBehavior;
        window.hidesOnDeactivate = NO;
        window.hasShadow = YES;
        // Called before every show: leave the style alone once it is right.
        if (!(window.styleMask & NSWindowStyleMaskNonactivatingPanel))
            window.styleMask |= NSWindowStyleMaskNonactivatingPanel;
        preventActivation(window);
        // Qt may rebuild the NSWindow around the same view and the new one shares by default.
        applySharingType(widget, window);
        installHoverTracking(view, widget);
    }

    void orderFront(QWidget* widget) override {
        NSWindow* window = nativeWindow(widget, false);
        if (!window || !window.visible)
            return;
        // Asked on every tick; the window server only restacks when another program's window
        // hides part of the card. Unlike QWidget::raise(), this never activates us.
        if (isCovered(window))
            [window orderFrontRegardless];
    }

    bool setCaptureExcluded(QWidget* widget, bool excluded) override {
        if (!widget)
            return false;
        widget->setProperty(captureExcludedProperty, excluded);
        // Before the native window exists the next configuration applies it.
        if (NSWindow* window = nativeWindow(widget, false))
            applySharingType(widget, window);
        return true;
    }

    void showAboveSlideShow(QWidget* widget) override {
        if (!widget)
            return;
        // Qt sets the level when it shows a window: set ours afterwards, on every showing.
        widget->show();
        NSWindow* window = nativeWindow(widget);
        if (!window)
            return;
        window.collectionBehavior = configurationBehavior(window.collectionBehavior);
        window.level = configurationLevel;
        activateApplication();
        [window makeKeyAndOrderFront:nil];
    }
};

} // namespace

@implementation KalvaneHoverTracker {
    __weak NSView* _view;
    std::unique_ptr<HoverForwarder> _forwarder;
}

- (instancetype)initWithView:(NSView*)view widget:(QWidget*)widget {
    if ((self = [super init])) {
        _view = view;
        _forwarder = std::make_unique<HoverForwarder>(widget);
    }
    return self;
}

- (void)forward:(NSEvent*)event {
    NSView* view = _view;
    if (view == nil || NSApp.active)
        return;
    const NSPoint local = [view convertPoint:event.locationInWindow fromView:nil];
    // Qt measures from the top; a view that is not flipped measures from the bottom.
    const CGFloat top = view.flipped ? local.y : NSHeight(view.bounds) - local.y;
    const Qt::CursorShape shape = _forwarder->moveTo(QPointF(local.x, top), pressedButtons());
    [cursorFor(HoverForwarder::systemCursor(shape)) set];
}

- (void)mouseEntered:(NSEvent*)event {
    [self forward:event];
}

- (void)mouseMoved:(NSEvent*)event {
    [self forward:event];
}

- (void)mouseExited:(NSEvent*)event {
    (void)event;
    if (NSApp.active)
        return;
    _forwarder->leave();
    [NSCursor.arrowCursor set];
}

@end

std::unique_ptr<OverlayWindowPlatform> createNativeOverlayWindowPlatform() {
    return std::make_unique<MacOverlayWindowPlatform>();
}
