#pragma once

#include <QOperatingSystemVersion>

#include <functional>
#include <memory>

class QWidget;

// What the window system offers the timer window beyond Qt's window flags: staying above
// full-screen slide shows, showing on every desktop, never activating the application when
// shown or clicked, and keeping out of screen captures. One implementation per platform is
// chosen by the build; tests install a fake. Every call is safe to repeat: Qt rebuilds native
// windows now and then and resets some of their properties.
class OverlayWindowPlatform {
public:
    // What this platform can do, so that the settings can say "not available here" instead
    // of pretending.
    struct Capabilities {
        bool aboveFullScreen = false;
        bool allDesktops = false;
        bool neverActivates = false;
        bool captureExclusion = false;
        // Some capture methods ignore the exclusion: the settings say so beside the switch.
        bool captureExclusionBestEffort = false;
    };

    // What the window system of macOS `version` offers: everything, but from macOS 15 on
    // capture through ScreenCaptureKit no longer honours a window's sharing type.
    static Capabilities macOSCapabilities(const QOperatingSystemVersion& version);

    virtual ~OverlayWindowPlatform() = default;

    // The installed implementation; the native one unless a test installed another.
    static OverlayWindowPlatform& instance();
    // Installs `platform` for the whole process (nullptr restores the native one). The caller
    // keeps ownership.
    static void setInstance(OverlayWindowPlatform* platform);

    virtual Capabilities capabilities() const = 0;

    // Tells the card whether to draw a thin light line along its edge: where the window system
    // cannot blend the card's soft edge and cuts the window to the card's shape instead.
    using OutlineCard = std::function<void(bool outlined)>;

    // Applies the native settings of the timer window: level, desktops, taskbar, activation,
    // and its shape where it needs one, calling `outlineCard` whenever that shape comes or
    // goes. Called before the first show, again before every show and whenever the native
    // window was rebuilt.
    virtual void configureOverlayWindow(QWidget* window, const OutlineCard& outlineCard) = 0;
    // Brings the shown window to the front without activating the application.
    virtual void orderFront(QWidget* window) = 0;
    // Keeps the window out of screen sharing and recordings, or lets it in again. False when
    // the platform cannot do that.
    virtual bool setCaptureExcluded(QWidget* window, bool excluded) = 0;

    // Shows a configuration window, the chooser or an alert above a running full-screen
    // slide show, on the current desktop, and gives it the keyboard: the user is about to
    // type or choose. Every such window goes through here on every showing. Set a dialog's
    // modality before calling. The default keeps the window above others and activates it,
    // which on X11 puts a focused window over a full-screen one that has lost the focus.
    virtual void showAboveSlideShow(QWidget* window);
};

// The implementation this build was made for.
std::unique_ptr<OverlayWindowPlatform> createNativeOverlayWindowPlatform();
