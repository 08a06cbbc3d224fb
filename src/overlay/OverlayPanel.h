#pragma once

#include <QList>
#include <QRect>
#include <QWidget>

#include <optional>

class OverlayHostingView;
class OverlayModel;
class OverlayView;
class SettingsStore;

// The timer window: a frameless, transparent tool window that floats above everything,
// including a running slide show, on every desktop, and never takes the keyboard focus or
// activates the application. It remembers its frame in the settings store.
class OverlayPanel final : public QWidget {
    Q_OBJECT
public:
    // Builds the window at 380 × 170 with the hosting view and the overlay view of `model`,
    // restores the stored frame (or places it at the default place) and applies the sharing
    // type.
    OverlayPanel(OverlayModel* model, SettingsStore& settings, QWidget* parent = nullptr);

    OverlayHostingView* hostingView() const { return m_hosting; }
    OverlayView* view() const;

    // Brings the window to the front whether or not the application is active, without
    // activating it or taking the focus. Safe and cheap to call on every tick: the native
    // window is configured when it is shown, not again while it stays up.
    void showPanel();
    void hidePanel();
    bool isPanelVisible() const;

    // Stores the current frame under the frame name.
    void saveFrame();
    // Back to 380 × 170, 24 points inside the top-right corner of the primary screen's
    // available area, then stores the frame (also when there is no screen to place it on).
    void resetFrame();
    // Keeps the window out of screen sharing and recordings unless `showInSharing` is on.
    void applySharingType();

    // The stored form of a frame, and its reading; an unreadable text yields nothing.
    static QString encodeFrame(const QRect& frame);
    static std::optional<QRect> decodeFrame(const QString& text);
    // The window flags the timer window is created with on the named Qt platform.
    static Qt::WindowFlags windowFlagsFor(const QString& platformName);
    // The default frame inside a screen's available area.
    static QRect defaultFrame(const QRect& availableArea);
    // Where a stored frame goes, given the available areas of the screens: on the screen that
    // shows most of it, no larger than that screen (nor than an 8K display), and inside it
    // when it did not fit. Nothing when too little of it would be on any screen.
    static std::optional<QRect> fitFrame(const QRect& frame, const QList<QRect>& areas);

protected:
    bool event(QEvent* event) override;

private:
    void restoreFrame();
    // Hands the window to the window system, which tells the card when to outline its edge.
    void configureNativeWindow();

    SettingsStore& m_settings;
    OverlayHostingView* m_hosting = nullptr;
};
