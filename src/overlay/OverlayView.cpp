#include "overlay/OverlayView.h"

#include "overlay/CardShape.h"
#include "overlay/OverlayModel.h"
#include "overlay/TimerColors.h"
#include "settings/SettingsNotifier.h"
#include "settings/SettingsStore.h"

#include <QCache>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QPaintEvent>
#include <QPainter>
#include <QPainterPath>
#include <QTextBoundaryFinder>
#include <QtMath>

#include <algorithm>
#include <cmath>

namespace {

using namespace OverlayLayout;

// How far a text may shrink below its size before it is cut with an ellipsis.
constexpr double timeMinimumScale = 0.3;
constexpr double lineMinimumScale = 0.4;

QRectF toQt(const Rect& r) {
    return QRectF(r.x, r.y, r.width, r.height);
}

// A font of `base`'s family and weight whose em is `pixels` logical pixels on `device`.
// QFont only takes whole pixel sizes; a point size converted with the device's resolution
// keeps the fraction, so the text grows smoothly while the window is resized.
QFont sized(QFont font, double pixels, const QPaintDevice* device) {
    const int dpi = device ? device->logicalDpiY() : 96;
    font.setPointSizeF(std::max(pixels, 0.5) * 72.0 / (dpi > 0 ? dpi : 96));
    return font;
}

QFont uiFont(QFont::Weight weight) {
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    font.setWeight(weight);
    font.setHintingPreference(QFont::PreferNoHinting);
    font.setStyleStrategy(QFont::PreferAntialias);
    return font;
}

const QFont& timeBaseFont() {
    static const QFont font = [] {
        QFont f(OverlayView::timeFamily());
        f.setWeight(QFont::Bold);
        f.setHintingPreference(QFont::PreferNoHinting);
        f.setStyleStrategy(QFont::PreferAntialias);
        return f;
    }();
    return font;
}

// A filled gear with a round hole, in a box of side 2 centred on the origin.
const QPainterPath& gearGlyph() {
    static const QPainterPath path = [] {
        constexpr int teeth = 8;
        constexpr double outer = 1.0;
        constexpr double root = 0.74;
        constexpr double tipHalf = 0.16;  // radians, half the tooth's width at its tip
        constexpr double baseHalf = 0.27; // radians, half the tooth's width at its root
        constexpr int arcSteps = 4;
        QPolygonF outline;
        const double pitch = 2 * M_PI / teeth;
        const auto polar = [](double radius, double angle) {
            return QPointF(radius * std::cos(angle), radius * std::sin(angle));
        };
        for (int i = 0; i < teeth; ++i) {
            const double centre = -M_PI / 2 + i * pitch;
            for (int k = 0; k <= arcSteps; ++k) // tip
                outline << polar(outer, centre - tipHalf + 2 * tipHalf * k / arcSteps);
            const double rootFrom = centre + baseHalf;
            const double rootTo = centre + pitch - baseHalf;
            for (int k = 0; k <= arcSteps; ++k) // root between this tooth and the next
                outline << polar(root, rootFrom + (rootTo - rootFrom) * k / arcSteps);
        }
        QPainterPath gear;
        gear.addPolygon(outline);
        gear.closeSubpath();
        gear.addEllipse(QPointF(0, 0), 0.34, 0.34);
        gear.setFillRule(Qt::OddEvenFill);
        return gear;
    }();
    return path;
}

// A filled circle with a cross cut out of it, in a box of side 2 centred on the origin.
const QPainterPath& closeGlyph() {
    static const QPainterPath path = [] {
        constexpr double arm = 0.42;  // from the centre to the tip of each arm
        constexpr double half = 0.09; // half the arm's thickness; the tips are round
        constexpr int capSteps = 6;
        QPolygonF plus;
        // One arm after the other, counter-clockwise, each ending in a half circle.
        for (int quarter = 0; quarter < 4; ++quarter) {
            const double angle = quarter * M_PI / 2;
            const QTransform turn = QTransform().rotateRadians(angle);
            // The inner corner, then the round tip; the next arm starts at the other inner
            // corner of this one.
            plus << turn.map(QPointF(half, -half));
            for (int k = 0; k <= capSteps; ++k) {
                const double a = -M_PI / 2 + M_PI * k / capSteps;
                plus << turn.map(QPointF(arm - half + half * std::cos(a), half * std::sin(a)));
            }
        }
        QPainterPath glyph;
        glyph.addEllipse(QPointF(0, 0), 1, 1);
        glyph.addPolygon(QTransform().rotate(45).map(plus));
        glyph.closeSubpath();
        glyph.setFillRule(Qt::OddEvenFill);
        return glyph;
    }();
    return path;
}

void drawGlyph(QPainter& painter, const QPainterPath& glyph, const QRectF& box, double size,
               const QColor& color) {
    painter.save();
    painter.translate(box.center());
    painter.scale(size / 2, size / 2);
    painter.setPen(Qt::NoPen);
    painter.setBrush(color);
    painter.drawPath(glyph);
    painter.restore();
}

// Text widths grow almost but not exactly in proportion to the font size; a shrunk text may
// come out a hair wider than the space it was fitted to.
constexpr double fitTolerance = 0.5;

double fitScale(double available, double natural) {
    return 0.998 * available / natural;
}

// The baseline that centres a line of `metrics` vertically in `row`.
double centredBaseline(const QRectF& row, const QFontMetricsF& metrics) {
    return row.center().y() + (metrics.ascent() - metrics.descent()) / 2;
}

QStringList graphemes(const QString& text) {
    QStringList clusters;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    qsizetype from = 0;
    for (qsizetype to = finder.toNextBoundary(); to != -1; to = finder.toNextBoundary()) {
        if (to > from)
            clusters << text.mid(from, to - from);
        from = to;
    }
    return clusters;
}

// One line of text as it will be drawn: its font, and for the time, every cluster with the
// width it takes (every digit in a cell of the widest digit's advance, so the text does not
// jitter while the seconds count).
struct Line {
    QFont font;
    QString text;
    bool equalDigits = false;
    QStringList clusters;
    QList<double> advances;
    QList<double> cells;
    double width = 0;
};

void measure(Line& line, const QFontMetricsF& metrics) {
    line.width = 0;
    line.advances.clear();
    line.cells.clear();
    if (!line.equalDigits) {
        line.width = metrics.horizontalAdvance(line.text);
        return;
    }
    double digit = 0;
    for (char16_t c = u'0'; c <= u'9'; ++c)
        digit = std::max(digit, metrics.horizontalAdvance(QChar(c)));
    for (const QString& cluster : std::as_const(line.clusters)) {
        const double advance = metrics.horizontalAdvance(cluster);
        const bool isDigit = cluster.size() == 1 && cluster.front().isDigit();
        line.advances << advance;
        line.cells << (isDigit ? digit : advance);
        line.width += line.cells.back();
    }
}

// Lays `text` out at `pixels`, shrunk down to `minimumScale` of that when it is too wide for
// `available`, and cut with an ellipsis only when even that is not enough.
Line layoutLine(const QString& text, const QFont& base, double pixels, double minimumScale,
                double available, bool equalDigits, const QPaintDevice* device) {
    Line line;
    line.equalDigits = equalDigits;
    line.text = text;
    if (equalDigits)
        line.clusters = graphemes(text);
    line.font = sized(base, pixels, device);
    QFontMetricsF metrics(line.font, device);
    measure(line, metrics);
    if (line.width <= available)
        return line;
    const double scale = std::max(minimumScale, fitScale(available, line.width));
    line.font = sized(base, pixels * scale, device);
    metrics = QFontMetricsF(line.font, device);
    measure(line, metrics);
    if (line.width <= available + fitTolerance)
        return line;
    if (equalDigits) {
        QStringList kept = line.clusters;
        while (line.width > available + fitTolerance && !kept.isEmpty()) {
            kept.removeLast();
            line.clusters = kept + QStringList{QStringLiteral("…")};
            measure(line, metrics);
        }
        line.text = line.clusters.join(QString());
    } else {
        line.text = metrics.elidedText(text, Qt::ElideRight, available);
        measure(line, metrics);
    }
    return line;
}

// Draws the text of `line` (a line without digit cells, or one glyph of the time) with its
// left end at `origin` on the baseline.
void drawText(QPainter& painter, const Line& line, QPointF origin, const QColor& color) {
    painter.setFont(line.font);
    painter.setPen(color);
    painter.drawText(origin, line.text);
}

// Where `line` puts ink, relative to its left end on the baseline, with a little room for
// antialiasing.
QRectF inkBounds(const Line& line, const QFontMetricsF& metrics) {
    // Only the ink: a time glyph's image is copied on every frame, and the empty space of its
    // line box would double the pixels copied.
    const QRectF ink = metrics.tightBoundingRect(line.text);
    const double pad = 2 + 0.01 * metrics.height();
    return ink.adjusted(-pad, -pad, pad, pad);
}

} // namespace

// Everything a paint depends on, as far as it shows: the bar's fill at the device pixel, the
// blink phase only for a blinking message.
struct OverlayView::Drawn {
    QSizeF size;
    qreal ratio = 1;
    double opacity = 0;
    bool outlined = false;
    Rows rows;
    qsizetype timeCharacters = 0;
    QString caption;
    QString time;
    Tone tone = Tone::idle;
    QString message;
    bool messageDim = false;
    QString secondary;
    int fillPixels = 0;
    BarTone barTone = BarTone::normal;

    // Every row in the same place: a change only repaints the rows whose content differs.
    bool sameLayout(const Drawn& other) const {
        return size == other.size && ratio == other.ratio && opacity == other.opacity &&
               outlined == other.outlined && rows == other.rows &&
               timeCharacters == other.timeCharacters;
    }
    friend bool operator==(const Drawn&, const Drawn&) = default;
};

// Large glyphs are not in the painter's glyph cache and are filled as outlines on every frame,
// which costs milliseconds on a big window. The texts change seldom (the time once a second):
// drawn lines are kept as images. So is everything that only changes with the size and the
// settings (the card, its icons, its grip), drawn once into one image.
struct OverlayView::Caches {
    // In kilobytes; about two full-width lines on a high-resolution 4K strip.
    QCache<QString, QImage> images{32 * 1024};

    QImage layer;
    QSizeF layerSize;
    qreal layerRatio = 0;
    double layerOpacity = -1;
    bool layerOutlined = false;
    Rows layerRows;

    // What the last paint of the widget showed, to repaint only what differs from it.
    std::optional<Drawn> painted;
};

namespace {

void drawCachedLine(QPainter& painter, QCache<QString, QImage>& cache, const Line& line,
                    QPointF origin, const QColor& color, double opacity) {
    // The time changes every second but is made of a dozen different glyphs: each is kept on
    // its own, so a new time text is a few copies instead of a rasterisation of huge outlines.
    if (line.equalDigits) {
        double x = origin.x();
        for (qsizetype i = 0; i < line.clusters.size(); ++i) {
            Line glyph;
            glyph.font = line.font;
            glyph.text = line.clusters[i];
            glyph.width = line.advances[i];
            drawCachedLine(painter, cache, glyph,
                           QPointF(x + (line.cells[i] - line.advances[i]) / 2, origin.y()), color,
                           opacity);
            x += line.cells[i];
        }
        return;
    }
    const QPaintDevice* device = painter.device();
    const qreal ratio = device ? device->devicePixelRatioF() : 1;
    const int dpi = device ? device->logicalDpiY() : 96;
    const QString key = QStringLiteral("%1|%2|%3|%4|%5|%6")
                            .arg(line.text, line.font.key())
                            .arg(int(line.equalDigits))
                            .arg(color.rgba())
                            .arg(ratio)
                            .arg(dpi);
    const QFontMetricsF metrics(line.font, device);
    const QRectF bounds = inkBounds(line, metrics);
    QImage* image = cache.object(key);
    if (!image) {
        auto rendered = std::make_unique<QImage>((bounds.size() * ratio).toSize() + QSize(1, 1),
                                                 QImage::Format_ARGB32_Premultiplied);
        if (rendered->isNull())
            return;
        // The same resolution as the target, so the font comes out at the same size.
        rendered->setDotsPerMeterX(qRound(dpi / 0.0254));
        rendered->setDotsPerMeterY(qRound(dpi / 0.0254));
        rendered->setDevicePixelRatio(ratio);
        rendered->fill(Qt::transparent);
        QPainter imagePainter(rendered.get());
        imagePainter.setRenderHint(QPainter::Antialiasing);
        imagePainter.setRenderHint(QPainter::TextAntialiasing);
        drawText(imagePainter, line, -bounds.topLeft(), color);
        imagePainter.end();
        const int cost = int(rendered->sizeInBytes() / 1024) + 1;
        image = rendered.get();
        if (!cache.insert(key, rendered.release(), cost)) {
            // Larger than the whole cache: draw it directly.
            painter.save();
            painter.setOpacity(opacity);
            drawText(painter, line, origin, color);
            painter.restore();
            return;
        }
    }
    // On whole device pixels, so the image is copied rather than resampled.
    const QPointF topLeft = origin + bounds.topLeft();
    const QPointF snapped(std::round(topLeft.x() * ratio) / ratio,
                          std::round(topLeft.y() * ratio) / ratio);
    painter.save();
    painter.setOpacity(opacity);
    painter.drawImage(snapped, *image);
    painter.restore();
}

// The card is the window's bottom layer: its pixels replace what is below, which is also
// cheaper than blending them over it. Between the top row and the bottom corners it is one
// flat colour from edge to edge (the outline aside), which is filled rather than copied.
void drawStaticLayer(QPainter& painter, const QImage& layer, QSizeF size, double opacity,
                     bool outlined, double barTop) {
    painter.save();
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    const double corner = CardShape::cornerLength(size);
    const double top = std::ceil(std::max(corner, topRowHeight(size.height()))) + 1;
    const double bottom = std::ceil(std::max({corner, grip, size.height() - barTop})) + 1;
    const double side = outlined ? 2 : 0;
    const QRectF middle(side, top, size.width() - 2 * side, size.height() - top - bottom);
    if (middle.width() <= 0 || middle.height() <= 0) {
        painter.drawImage(QPointF(0, 0), layer);
        painter.restore();
        return;
    }
    const qreal ratio = layer.devicePixelRatio();
    const auto copy = [&](const QRectF& part) {
        painter.drawImage(part, layer, QRectF(part.topLeft() * ratio, part.size() * ratio));
    };
    copy(QRectF(0, 0, size.width(), top));
    copy(QRectF(0, size.height() - bottom, size.width(), bottom));
    if (side > 0) {
        copy(QRectF(0, top, side, middle.height()));
        copy(QRectF(size.width() - side, top, side, middle.height()));
    }
    painter.fillRect(middle, QColor::fromRgbF(0, 0, 0, float(opacity)));
    painter.restore();
}

void drawCapsule(QPainter& painter, const QRectF& rect, const QColor& color) {
    const double radius = std::min(rect.width(), rect.height()) / 2;
    painter.setPen(Qt::NoPen);
    painter.setBrush(color);
    painter.drawRoundedRect(rect, radius, radius);
}

} // namespace

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

QString OverlayView::timeFamily() {
    static const QString family = [] {
        // Calm, open shapes with unambiguous digits that stay legible across a room.
        const QStringList preferred{QStringLiteral("Inter"), QStringLiteral("Quicksand"),
                                    QStringLiteral("Cantarell")};
        const QStringList installed = QFontDatabase::families();
        for (const QString& candidate : preferred)
            if (installed.contains(candidate))
                return candidate;
        return QFontDatabase::systemFont(QFontDatabase::GeneralFont).family();
    }();
    return family;
}

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

OverlayView::Drawn OverlayView::drawn(QSizeF size, qreal ratio) const {
    const TimerDisplay display = m_model ? m_model->display() : TimerDisplay::initial();
    Drawn d;
    d.size = size;
    d.ratio = ratio;
    d.opacity = m_opacity;
    d.outlined = m_outlined;
    d.rows = rows();
    d.timeCharacters = perceivedLength(display.time);
    if (m_showCaption)
        d.caption = display.caption;
    d.time = display.time;
    d.tone = display.tone;
    if (d.rows.message) {
        d.message = display.message;
        d.messageDim = display.blink && !m_blinkOn;
    }
    if (d.rows.secondary)
        d.secondary = display.secondary;
    if (d.rows.bar) {
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
    const Drawn now = drawn(size, devicePixelRatioF());
    const std::optional<Drawn>& painted = m_caches->painted;
    if (painted && *painted == now)
        return;
    if (!painted || !painted->sameLayout(now)) {
        update();
        return;
    }
    // Whole rows, with room above and below for glyphs that reach beyond their row.
    const Metrics m = metricsFor(size);
    QRegion dirty;
    const auto row = [&](const Rect& r, double reach) {
        dirty += QRectF(0, r.y - reach, size.width(), r.height + 2 * reach).toAlignedRect();
    };
    if (painted->caption != now.caption)
        row(captionBox(m), 4);
    if (painted->time != now.time || painted->tone != now.tone)
        row(timeRow(m), 0.25 * m.timeAreaHeight + 4);
    if (painted->message != now.message || painted->messageDim != now.messageDim)
        row(messageRow(m), 0.25 * m.messageHeight + 4);
    if (painted->secondary != now.secondary)
        row(secondaryRow(m), 0.25 * m.secondaryHeight + 4);
    if (painted->fillPixels != now.fillPixels || painted->barTone != now.barTone)
        row(barTrack(m), 4);
    update(dirty);
}

const QImage& OverlayView::staticLayer(QSizeF size, qreal ratio, int dpi, Rows rows) const {
    Caches& c = *m_caches;
    if (!c.layer.isNull() && c.layerSize == size && c.layerRatio == ratio &&
        c.layerOpacity == m_opacity && c.layerOutlined == m_outlined && c.layerRows == rows)
        return c.layer;
    c.layerRows = rows;
    c.layerSize = size;
    c.layerRatio = ratio;
    c.layerOpacity = m_opacity;
    c.layerOutlined = m_outlined;
    c.layer = QImage(QSize(qCeil(size.width() * ratio), qCeil(size.height() * ratio)),
                     QImage::Format_ARGB32_Premultiplied);
    if (c.layer.isNull())
        return c.layer;
    c.layer.setDotsPerMeterX(qRound(dpi / 0.0254));
    c.layer.setDotsPerMeterY(qRound(dpi / 0.0254));
    c.layer.setDevicePixelRatio(ratio);
    c.layer.fill(Qt::transparent);
    QPainter painter(&c.layer);
    painter.setRenderHint(QPainter::Antialiasing);

    // Card.
    if (m_opacity > 0) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor::fromRgbF(0, 0, 0, float(m_opacity)));
        painter.drawPath(CardShape::path(size));
    }
    if (m_outlined)
        CardShape::drawOutline(painter, size);

    // Top row icons.
    const Metrics m = metricsFor(size);
    const double s = m.captionSize;
    drawGlyph(painter, gearGlyph(), toQt(gearBox(m)), 0.85 * s * 0.96, TimerColors::white(0.5));
    drawGlyph(painter, closeGlyph(), toQt(closeBox(m)), 0.9 * s * 0.96, TimerColors::white(0.5));

    // The bar's track; a translucent capsule the width of the card is slow to fill.
    if (rows.bar)
        drawCapsule(painter, toQt(barTrack(m)), TimerColors::white(0.15));

    // Resize grip.
    const double w = size.width();
    const double h = size.height();
    QPen gripPen(TimerColors::white(0.3), 1);
    gripPen.setCapStyle(Qt::FlatCap);
    painter.setPen(gripPen);
    for (const double reach : {8.0, 12.0, 16.0})
        painter.drawLine(QPointF(w - reach, h - 4), QPointF(w - 4, h - reach));
    painter.end();
    return c.layer;
}

OverlayLayout::Rows OverlayView::rows() const {
    if (!m_model)
        return {};
    const TimerDisplay& display = m_model->display();
    Rows rows;
    rows.message = m_showMessages && !display.message.isEmpty();
    rows.secondary = m_showMessages && !display.secondary.isEmpty();
    rows.bar = m_showBar && display.progress.has_value();
    return rows;
}

OverlayLayout::Metrics OverlayView::metricsFor(QSizeF size) const {
    const qsizetype characters = m_model ? perceivedLength(m_model->display().time) : 0;
    return metrics(size.width(), size.height(), rows(), characters);
}

void OverlayView::paint(QPainter& painter, QSizeF size) const {
    if (size.width() <= 0 || size.height() <= 0)
        return;
    const TimerDisplay display = m_model ? m_model->display() : TimerDisplay::initial();
    const Metrics m = metricsFor(size);
    const Rows shown = rows();

    const QPaintDevice* device = painter.device();
    const qreal ratio = device ? device->devicePixelRatioF() : 1;
    const QImage& layer = staticLayer(size, ratio, device ? device->logicalDpiY() : 96, shown);

    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    drawStaticLayer(painter, layer, size, m_opacity, m_outlined,
                    shown.bar ? barTrack(m).y : size.height());

    const double s = m.captionSize;
    QCache<QString, QImage>& cache = m_caches->images;
    // A text line centred in its row, shrunk to fit as far as `minimumScale` allows.
    const auto text = [&](const QString& content, const QFont& font, double pixels,
                          double minimumScale, const QRectF& row, const QColor& color,
                          double opacity = 1) {
        if (content.isEmpty() || row.width() <= 0 || row.height() <= 0)
            return;
        const Line line =
            layoutLine(content, font, pixels, minimumScale, row.width(), false, device);
        const QFontMetricsF metrics(line.font, device);
        const QPointF origin(row.center().x() - line.width / 2, centredBaseline(row, metrics));
        drawCachedLine(painter, cache, line, origin, color, opacity);
    };
    if (m_showCaption)
        text(display.caption, uiFont(QFont::Medium), 0.72 * s, 1.0, toQt(captionBox(m)),
             TimerColors::white(0.65));

    // Time: digits carry no descenders, so the cap height is centred rather than the line
    // box, which puts the time in the optical middle of its area.
    const QRectF timeArea = toQt(timeRow(m));
    if (!display.time.isEmpty() && timeArea.width() > 0) {
        const Line line = layoutLine(display.time, timeBaseFont(), m.timeFontSize, timeMinimumScale,
                                     timeArea.width(), true, device);
        const QFontMetricsF metrics(line.font, device);
        const QPointF origin(timeArea.center().x() - line.width / 2,
                             timeArea.center().y() + metrics.capHeight() / 2);
        drawCachedLine(painter, cache, line, origin, TimerColors::of(display.tone), 1);
    }

    // Message and second line; only the message blinks.
    if (shown.message)
        text(display.message, uiFont(QFont::Bold), 0.62 * m.messageHeight, lineMinimumScale,
             toQt(messageRow(m)), TimerColors::yellow(), display.blink && !m_blinkOn ? 0.15 : 1.0);
    if (shown.secondary)
        text(display.secondary, uiFont(QFont::Medium), 0.6 * m.secondaryHeight, lineMinimumScale,
             toQt(secondaryRow(m)), TimerColors::white(0.85));

    // Progress bar: the track, then the fill from the left.
    if (shown.bar) {
        const QRectF track = toQt(barTrack(m));
        const double fill = fillWidth(*display.progress, track.width(), track.height());
        drawCapsule(painter, QRectF(track.topLeft(), QSizeF(fill, track.height())),
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
