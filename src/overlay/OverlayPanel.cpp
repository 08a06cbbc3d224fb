#include "overlay/OverlayPanel.h"

#include "overlay/OverlayHostingView.h"
#include "overlay/OverlayLayout.h"
#include "overlay/OverlayView.h"
#include "platform/OverlayWindowPlatform.h"
#include "settings/SettingsNotifier.h"
#include "settings/SettingsStore.h"

#include <QEvent>
#include <QGuiApplication>
#include <QPointer>
#include <QScreen>
#include <QStringList>
#include <QVBoxLayout>

#include <algorithm>

namespace {

using OverlayLayout::defaultMargin;
using OverlayLayout::defaultSize;
using OverlayLayout::minSize;

// A restored frame needs this much of itself on some screen to be reachable with the mouse.
constexpr int reachableWidth = 40;
constexpr int reachableHeight = 20;
// Whatever the screens report, the card is never larger than an 8K display: its pixels are
// held several times over (window, layer, glyph caches).
constexpr int maxWidth = 7680;
constexpr int maxHeight = 4320;
// Coordinates beyond this are no place on any desktop; they also keep the arithmetic of a
// frame far from overflowing.
constexpr int maxCoordinate = 1'000'000;

std::optional<QRect> primaryArea() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return std::nullopt;
    return screen->availableGeometry();
}

qint64 overlap(const QRect& a, const QRect& b) {
    const QRect common = a.intersected(b);
    return common.isEmpty() ? 0 : qint64(common.width()) * common.height();
}

} // namespace

OverlayPanel::OverlayPanel(OverlayModel* model, SettingsStore& settings, QWidget* parent)
    : QWidget(parent, windowFlagsFor(QGuiApplication::platformName()))
    , m_settings(settings)
    , m_hosting(new OverlayHostingView(model, settings, this)) {
    // All of these are read when the native window is created: set them once, before the
    // first show. Changing the flags later would rebuild the native window and lose its
    // level and desktop settings.
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_MacAlwaysShowToolWindow);
    setAttribute(Qt::WA_QuitOnClose, false);
    setFocusPolicy(Qt::NoFocus);
    setWindowTitle(QStringLiteral("Kalvane"));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_hosting);

    setMinimumSize(int(minSize.width), int(minSize.height));
    setGeometry(0, 0, int(defaultSize.width), int(defaultSize.height));
    restoreFrame();
    applySharingType();

    connect(&SettingsNotifier::instance(), &SettingsNotifier::sharingChanged, this,
            &OverlayPanel::applySharingType);
}

OverlayView* OverlayPanel::view() const {
    return m_hosting->view();
}

Qt::WindowFlags OverlayPanel::windowFlagsFor(const QString& platformName) {
    Qt::WindowFlags flags = Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                            Qt::WindowDoesNotAcceptFocus;
    // X11 window managers keep a focused full-screen window above every window they manage,
    // "above" or not; only an unmanaged window stays over a running slide show. The card
    // draws its own frame and moves and resizes itself, so it loses nothing by that.
    if (platformName == QLatin1String("xcb"))
        flags |= Qt::X11BypassWindowManagerHint;
    return flags;
}

void OverlayPanel::configureNativeWindow() {
    OverlayWindowPlatform::instance().configureOverlayWindow(
        this, [view = QPointer<OverlayView>(view())](bool outlined) {
            if (view)
                view->setOutlined(outlined);
        });
}

void OverlayPanel::showPanel() {
    if (!isVisible()) {
        configureNativeWindow();
        show();
        // Showing may reset some native settings (the level on macOS): apply them again.
        configureNativeWindow();
    }
    // Called on every tick: the platform only acts when something covers the window.
    OverlayWindowPlatform::instance().orderFront(this);
}

void OverlayPanel::hidePanel() {
    hide();
}

bool OverlayPanel::isPanelVisible() const {
    return isVisible();
}

void OverlayPanel::saveFrame() {
    m_settings.setString(SettingsKey::overlayFrame, encodeFrame(geometry()));
}

void OverlayPanel::resetFrame() {
    if (const auto area = primaryArea()) {
        setGeometry(defaultFrame(*area));
        if (isVisible())
            repaint();
    }
    saveFrame();
}

void OverlayPanel::applySharingType() {
    OverlayWindowPlatform::instance().setCaptureExcluded(this, !m_settings.showInSharing());
}

void OverlayPanel::restoreFrame() {
    const std::optional<QString> stored = m_settings.stringValue(SettingsKey::overlayFrame);
    const std::optional<QRect> decoded = stored ? decodeFrame(*stored) : std::nullopt;
    QList<QRect> areas;
    for (const QScreen* screen : QGuiApplication::screens())
        areas.append(screen->availableGeometry());
    const std::optional<QRect> frame = decoded ? fitFrame(*decoded, areas) : std::nullopt;
    if (frame)
        setGeometry(*frame);
    else if (const auto area = primaryArea())
        setGeometry(defaultFrame(*area));
}

std::optional<QRect> OverlayPanel::fitFrame(const QRect& frame, const QList<QRect>& areas) {
    QRect fitted(frame.topLeft(),
                 QSize(std::min(frame.width(), maxWidth), std::min(frame.height(), maxHeight)));
    if (areas.isEmpty())
        return fitted;
    // The screen the frame is on: the one that shows most of it. A frame stored while
    // another screen was attached may now lie where no screen is; such a window could never
    // be seen or grabbed again.
    const auto best =
        std::max_element(areas.begin(), areas.end(), [&](const QRect& a, const QRect& b) {
            return overlap(fitted, a) < overlap(fitted, b);
        });
    const QRect area = *best;
    const QRect visible = area.intersected(fitted);
    if (visible.width() < std::min(reachableWidth, fitted.width()) ||
        visible.height() < std::min(reachableHeight, fitted.height()))
        return std::nullopt;
    if (area.contains(fitted))
        return fitted;
    // Larger than its screen, or partly beside it: the screen's size at most, and inside it.
    fitted.setSize(fitted.size().boundedTo(area.size()));
    fitted.moveLeft(std::clamp(fitted.left(), area.left(), area.right() - fitted.width() + 1));
    fitted.moveTop(std::clamp(fitted.top(), area.top(), area.bottom() - fitted.height() + 1));
    return fitted;
}

QString OverlayPanel::encodeFrame(const QRect& frame) {
    return QStringLiteral("%1,%2,%3,%4")
        .arg(frame.x())
        .arg(frame.y())
        .arg(frame.width())
        .arg(frame.height());
}

std::optional<QRect> OverlayPanel::decodeFrame(const QString& text) {
    const QStringList parts = text.split(u',');
    if (parts.size() != 4)
        return std::nullopt;
    int values[4] = {};
    for (int i = 0; i < 4; ++i) {
        bool ok = false;
        values[i] = parts[i].trimmed().toInt(&ok);
        if (!ok || values[i] < -maxCoordinate || values[i] > maxCoordinate)
            return std::nullopt;
    }
    if (values[2] <= 0 || values[3] <= 0)
        return std::nullopt;
    // A frame written by hand or by an older version may be smaller than the window allows.
    return QRect(values[0], values[1], std::max(values[2], int(minSize.width)),
                 std::max(values[3], int(minSize.height)));
}

QRect OverlayPanel::defaultFrame(const QRect& availableArea) {
    const int width = int(defaultSize.width);
    const int height = int(defaultSize.height);
    const int margin = int(defaultMargin);
    return QRect(availableArea.x() + availableArea.width() - margin - width,
                 availableArea.y() + margin, width, height);
}

bool OverlayPanel::event(QEvent* event) {
    // Qt rebuilt the native window: its native settings are gone with the old one.
    if (event->type() == QEvent::WinIdChange && isVisible())
        configureNativeWindow();
    return QWidget::event(event);
}
