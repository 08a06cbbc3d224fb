#include "overlay/OverlayView.h"

#include "overlay/CardFonts.h"
#include "overlay/CardLayer.h"
#include "overlay/DrawnCard.h"
#include "overlay/FittedLine.h"
#include "overlay/GlyphCache.h"
#include "overlay/OverlayModel.h"
#include "overlay/TimerColors.h"
#include "settings/SettingsNotifier.h"
#include "settings/SettingsStore.h"

#include <QFontMetricsF>
#include <QPaintEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>

using namespace OverlayLayout;

namespace {

// How far a text may shrink below its size before it is cut with an ellipsis.
constexpr double timeMinimumScale = 0.3;
constexpr double lineMinimumScale = 0.4;

// The baseline that centres a line of `metrics` vertically in `row`.
double centredBaseline(const QRectF& row, const QFontMetricsF& metrics) {
    return row.center().y() + (metrics.ascent() - metrics.descent()) / 2;
}

// A running time on the second line (an aux timer) keeps its digits in their places; a text
// keeps its own spacing.
FittedLine::Digits secondaryDigits(const QString& text) {
    const bool time = std::all_of(text.cbegin(), text.cend(),
                                  [](QChar c) { return c.isDigit() || c == u':' || c == u'-'; });
    return time ? FittedLine::Digits::equalWidth : FittedLine::Digits::proportional;
}

} // namespace

// What painting keeps between frames: the texts as images, the parts that only change with
// the size and the settings as one image, and what the widget showed last.
struct OverlayView::Caches {
    GlyphCache glyphs;
    CardLayer layer;
    // What the last paint of the widget showed, to repaint only what differs from it.
    std::optional<DrawnCard> painted;
};

OverlayView::OverlayView(OverlayModel* model, const SettingsStore& settings, QWidget* parent)
    : QWidget(parent)
    , m_model(model)
    , m_settings(settings)
    , m_caches(std::make_unique<Caches>()) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::NoFocus);
    reloadSettings();
    if (m_model)
        connect(m_model, &OverlayModel::displayChanged, this, &OverlayView::refresh);
    connect(&SettingsNotifier::instance(), &SettingsNotifier::cardChanged, this, [this] {
        reloadSettings();
        refresh();
    });
    m_blinkTimer.setInterval(500);
    m_blinkTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_blinkTimer, &QTimer::timeout, this, &OverlayView::toggleBlink);
}

OverlayView::~OverlayView() = default;

void OverlayView::reloadSettings() {
    const SettingsStore& store = m_settings;
    const double opacity = store.overlayOpacity();
    m_opacity =
        std::isfinite(opacity) ? std::clamp(opacity, 0.0, 1.0) : SettingsDefault::overlayOpacity;
    m_showCaption = store.showCaption();
    m_showMessages = store.showMessages();
    m_showBar = store.showBar();
}

void OverlayView::setBlinkOn(bool on) {
    if (m_blinkOn == on)
        return;
    m_blinkOn = on;
    refresh();
}

void OverlayView::toggleBlink() {
    setBlinkOn(!m_blinkOn);
}

void OverlayView::setOutlined(bool outlined) {
    if (m_outlined == outlined)
        return;
    m_outlined = outlined;
    refresh();
}

TimerDisplay OverlayView::shownDisplay() const {
    if (!m_model)
        return TimerDisplay::initial();
    const TimerDisplay& display = m_model->display();
    if (!display.blackout)
        return display;
    // A blackout takes everything the timer put into the card and leaves its empty frame, with
    // the icons and the grip that belong to the window.
    TimerDisplay dark;
    dark.blackout = true;
    return dark;
}

DrawnCard OverlayView::drawn(QSizeF size, qreal ratio) const {
    const TimerDisplay display = shownDisplay();
    DrawnCard d;
    d.layer = {size, ratio, m_opacity, m_outlined, rows()};
    d.timeCharacters = perceivedLength(display.time);
    if (m_showCaption)
        d.caption = display.caption;
    d.time = display.time;
    d.tone = display.tone;
    if (d.layer.rows.message) {
        d.message = display.message;
        d.messageDim = display.blink && !m_blinkOn;
    }
    if (d.layer.rows.secondary)
        d.secondary = display.secondary;
    if (d.layer.rows.bar) {
        const Rect track = barTrack(metricsFor(size));
        d.fillPixels = qRound(fillWidth(*display.progress, track.width, track.height) * ratio);
        d.barTone = display.barTone;
    }
    return d;
}

void OverlayView::refresh() {
    if (!isVisible())
        return;
    const QSizeF size(this->size());
    const DrawnCard now = drawn(size, devicePixelRatioF());
    const std::optional<DrawnCard>& painted = m_caches->painted;
    if (painted && *painted == now)
        return;
    if (!painted || !painted->sameLayout(now)) {
        update();
        return;
    }
    update(painted->changedRows(now, metricsFor(size)));
}

OverlayLayout::Rows OverlayView::rows() const {
    const TimerDisplay display = shownDisplay();
    Rows rows;
    rows.message = m_showMessages && !display.message.isEmpty();
    rows.secondary = m_showMessages && !display.secondary.isEmpty();
    rows.bar = m_showBar && display.progress.has_value();
    return rows;
}

OverlayLayout::Metrics OverlayView::metricsFor(QSizeF size) const {
    const qsizetype characters = perceivedLength(shownDisplay().time);
    return metrics(size.width(), size.height(), rows(), characters);
}

void OverlayView::paint(QPainter& painter, QSizeF size) const {
    if (size.width() <= 0 || size.height() <= 0)
        return;
    const TimerDisplay display = shownDisplay();
    const Metrics m = metricsFor(size);
    const Rows shown = rows();
    const QPaintDevice* device = painter.device();
    const qreal ratio = device ? device->devicePixelRatioF() : 1;

    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    m_caches->layer.paint(painter, {size, ratio, m_opacity, m_outlined, shown}, m);

    const double s = m.captionSize;
    GlyphCache& glyphs = m_caches->glyphs;
    // A text line centred in its row, shrunk to fit as far as `minimumScale` allows.
    const auto text = [&](const QString& content, const QFont& font, double pixels,
                          double minimumScale, const QRectF& row, const QColor& color,
                          double opacity = 1,
                          FittedLine::Digits digits = FittedLine::Digits::proportional) {
        if (content.isEmpty() || row.width() <= 0 || row.height() <= 0)
            return;
        const FittedLine line =
            FittedLine::fit(content, font, pixels, minimumScale, row.width(), digits, device);
        const QFontMetricsF metrics(line.font, device);
        const QPointF origin(row.center().x() - line.width / 2, centredBaseline(row, metrics));
        glyphs.draw(painter, line, origin, color, opacity);
    };
    if (m_showCaption)
        text(display.caption, CardFonts::ui(QFont::Medium), 0.72 * s, 1.0, toQRectF(captionBox(m)),
             TimerColors::white(0.65));

    // Time: digits carry no descenders, so the cap height is centred rather than the line
    // box, which puts the time in the optical middle of its area.
    const QRectF timeArea = toQRectF(timeRow(m));
    if (!display.time.isEmpty() && timeArea.width() > 0) {
        const FittedLine line =
            FittedLine::fit(display.time, CardFonts::time(), m.timeFontSize, timeMinimumScale,
                            timeArea.width(), FittedLine::Digits::equalWidth, device);
        const QFontMetricsF metrics(line.font, device);
        const QPointF origin(timeArea.center().x() - line.width / 2,
                             timeArea.center().y() + metrics.capHeight() / 2);
        glyphs.draw(painter, line, origin, TimerColors::of(display.tone), 1);
    }

    // Message and second line; only the message blinks.
    if (shown.message)
        text(display.message, CardFonts::ui(QFont::Bold), 0.62 * m.messageHeight, lineMinimumScale,
             toQRectF(messageRow(m)), TimerColors::yellow(),
             display.blink && !m_blinkOn ? 0.15 : 1.0);
    if (shown.secondary)
        text(display.secondary, CardFonts::ui(QFont::Medium), 0.6 * m.secondaryHeight,
             lineMinimumScale, toQRectF(secondaryRow(m)), TimerColors::white(0.85), 1.0,
             secondaryDigits(display.secondary));

    // Progress bar: the fill from the left over the track.
    if (shown.bar) {
        const QRectF track = toQRectF(barTrack(m));
        const double fill = fillWidth(*display.progress, track.width(), track.height());
        CardLayer::fillCapsule(painter, QRectF(track.topLeft(), QSizeF(fill, track.height())),
                               TimerColors::of(display.barTone));
    }

    painter.restore();
}

QImage OverlayView::renderToImage(QSize size, qreal devicePixelRatio) const {
    const qreal ratio = devicePixelRatio > 0 ? devicePixelRatio : 1;
    QImage image(size * ratio, QImage::Format_ARGB32_Premultiplied);
    if (image.isNull())
        return image;
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    paint(painter, QSizeF(size));
    painter.end();
    return image;
}

QSize OverlayView::sizeHint() const {
    return QSize(int(defaultSize.width), int(defaultSize.height));
}

void OverlayView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QSizeF size(this->size());
    paint(painter, size);
    m_caches->painted = drawn(size, devicePixelRatioF());
}

void OverlayView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // Runs from the first display for as long as the view exists.
    if (!m_blinkTimer.isActive())
        m_blinkTimer.start();
}
