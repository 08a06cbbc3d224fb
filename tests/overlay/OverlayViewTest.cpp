#include "OverlayTestSupport.h"

#include "overlay/OverlayModel.h"
#include "overlay/OverlayView.h"
#include "overlay/TimerColors.h"
#include "settings/SettingsStore.h"
#include "support/TestMain.h"

#include <QDir>
#include <QSignalSpy>
#include <QTest>

#include <QPaintEvent>

#include <cmath>
#include <functional>
#include <limits>
#include <map>

using namespace OverlayLayout;
using namespace Qt::StringLiterals;

namespace {

const QSize cardSize(380, 170);
const QColor opaqueBlack = QColor::fromRgb(0, 0, 0);

TimerDisplay display(const QString& time, Tone tone = Tone::running) {
    TimerDisplay d = TimerDisplay::initial();
    d.time = time;
    d.tone = tone;
    return d;
}

// The colour a fully covered pixel of `colour` at `alpha` gets on the opaque black card.
QColor onBlack(const QColor& colour, double alpha = 1) {
    return QColor::fromRgbF(float(colour.redF() * alpha), float(colour.greenF() * alpha),
                            float(colour.blueF() * alpha));
}

QRectF barArea(const OverlayView& view, QSize size = cardSize) {
    return toRectF(barTrack(view.metricsFor(size)));
}

// The horizontal line through the middle of the bar.
QRectF barLine(const OverlayView& view, QSize size = cardSize) {
    const QRectF bar = barArea(view, size);
    return QRectF(0, bar.center().y(), size.width(), 1);
}

// The right end of the fill: the last pixel along the bar's middle that has the fill colour.
int fillEnd(const QImage& image, const OverlayView& view, const QColor& fill,
            QSize size = cardSize) {
    int end = -1;
    forEachPixel(image, barLine(view, size), [&](int x, int, const QColor& c) {
        if (near(c, onBlack(fill), 3))
            end = std::max(end, x);
    });
    return end;
}

int countNear(const QImage& image, const QColor& colour) {
    int count = 0;
    forEachPixel(image, QRectF(QPointF(0, 0), image.deviceIndependentSize()),
                 [&](int, int, const QColor& c) {
                     if (near(c, colour, 3))
                         ++count;
                 });
    return count;
}

// Counts the paint events a widget receives.
class PaintCounter : public QObject {
public:
    explicit PaintCounter(QWidget* widget) { widget->installEventFilter(this); }
    int paints = 0;
    QRegion region;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            ++paints;
            region += static_cast<QPaintEvent*>(event)->region();
        }
        return false;
    }
};

} // namespace

class OverlayViewTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init() {
        TestSettings::installThrowawayStore();
        // An opaque card, so that every colour is read without blending with the background.
        SettingsStore().setDouble(SettingsKey::overlayOpacity, 1.0);
    }

    void modelNotifiesEveryAssignment() {
        OverlayModel model;
        QCOMPARE(model.display(), TimerDisplay::initial());
        QCOMPARE(model.display().time, QStringLiteral("--:--"));
        QVERIFY(model.display().tone == Tone::idle);
        QVERIFY(!model.display().progress.has_value());
        QSignalSpy spy(&model, &OverlayModel::displayChanged);
        model.setDisplay(TimerDisplay::initial());
        model.setDisplay(TimerDisplay::initial());
        QCOMPARE(spy.count(), 2);
    }

    void absentProgressNeverEqualsZero() {
        TimerDisplay a = TimerDisplay::initial();
        TimerDisplay b = a;
        QCOMPARE(a, b);
        b.progress = 0.0;
        QVERIFY(a != b);
        a.progress = 0.0;
        QCOMPARE(a, b);
        a.progress = 1.7;
        QVERIFY(a != b);
    }

    void initialRecordIsGreyDashesOnly() {
        SettingsStore().setDouble(SettingsKey::overlayOpacity, 1.0);
        OverlayModel model;
        SettingsStore settings;
        OverlayView view(&model, settings);
        const Rows rows = view.rows();
        QVERIFY(!rows.message && !rows.secondary && !rows.bar);
        const QImage image = view.renderToImage(cardSize);
        QCOMPARE(image.size(), cardSize);
        const Metrics m = view.metricsFor(cardSize);
        QVERIFY(near(dominantColour(image, toRectF(timeRow(m)), opaqueBlack),
                     onBlack(TimerColors::of(Tone::idle))));
        // Below the time there is only the card (and the grip in its corner).
        const QRectF below(40, timeRow(m).bottom(), 300, 170 - timeRow(m).bottom());
        QCOMPARE(countDifferent(image, below, opaqueBlack), 0);
    }

    // A blackout leaves the card's empty frame, pixel for pixel, whatever the record holds.
    void blackoutLeavesTheEmptyFrame() {
        OverlayModel model;
        SettingsStore settings;
        OverlayView view(&model, settings);
        model.setDisplay(display(QString()));
        const QImage frame = view.renderToImage(cardSize);
        TimerDisplay full = display(QStringLiteral("-00:19"), Tone::overtime);
        full.caption = full.message = full.secondary = QStringLiteral("01:28");
        full.progress = 0.5;
        model.setDisplay(full);
        QVERIFY(view.renderToImage(cardSize) != frame);
        full.blackout = true;
        model.setDisplay(full);
        QVERIFY(view.rows() == Rows{});
        QCOMPARE(view.renderToImage(cardSize), frame);
    }

    void cardIsRoundedBlackAtTheOpacity() {
        SettingsStore().setDouble(SettingsKey::overlayOpacity, 0.85);
        OverlayModel model;
        SettingsStore settings;
        OverlayView view(&model, settings);
        const QImage image = view.renderToImage(cardSize);
        // Premultiplied black at 0.85: only the alpha channel carries the card.
        const QColor card = image.pixelColor(190, 160);
        QCOMPARE(card.red(), 0);
        QCOMPARE(card.alpha(), 217);
        // Outside the rounded corners the window is transparent; along the edges it is not.
        QCOMPARE(image.pixelColor(0, 0).alpha(), 0);
        QCOMPARE(image.pixelColor(379, 169).alpha(), 0);
        QCOMPARE(image.pixelColor(190, 0).alpha(), 217);
        QCOMPARE(image.pixelColor(0, 85).alpha(), 217);
    }

    void timeTakesTheTonesColour_data() {
        QTest::addColumn<int>("tone");
        QTest::newRow("running") << int(Tone::running);
        QTest::newRow("idle") << int(Tone::idle);
        QTest::newRow("paused") << int(Tone::paused);
        QTest::newRow("overtime") << int(Tone::overtime);
    }

    void timeTakesTheTonesColour() {
        QFETCH(int, tone);
        OverlayModel model;
        model.setDisplay(display(QStringLiteral("12:34"), Tone(tone)));
        SettingsStore settings;
        OverlayView view(&model, settings);
        const QImage image = view.renderToImage(cardSize);
        const QColor found =
            dominantColour(image, toRectF(timeRow(view.metricsFor(cardSize))), opaqueBlack);
        QVERIFY2(near(found, onBlack(TimerColors::of(Tone(tone)))), qPrintable(found.name()));
    }

    void barShowsTrackAndFill_data() {
        QTest::addColumn<double>("progress");
        QTest::addColumn<int>("barTone");
        QTest::addColumn<double>("expectedShare"); // of the track, -1 for the dot
        QTest::newRow("half, normal") << 0.5 << int(BarTone::normal) << 0.5;
        QTest::newRow("quarter, warning") << 0.25 << int(BarTone::warning) << 0.25;
        QTest::newRow("0.9, danger") << 0.9 << int(BarTone::danger) << 0.9;
        QTest::newRow("0 is a dot") << 0.0 << int(BarTone::normal) << -1.0;
        QTest::newRow("-0.2 is a dot") << -0.2 << int(BarTone::normal) << -1.0;
        QTest::newRow("not a number is a dot")
            << std::numeric_limits<double>::quiet_NaN() << int(BarTone::normal) << -1.0;
        QTest::newRow("1.7 is full") << 1.7 << int(BarTone::danger) << 1.0;
    }

    void barShowsTrackAndFill() {
        QFETCH(double, progress);
        QFETCH(int, barTone);
        QFETCH(double, expectedShare);
        OverlayModel model;
        TimerDisplay d = display(QStringLiteral("04:59"));
        d.progress = progress;
        d.barTone = BarTone(barTone);
        model.setDisplay(d);
        SettingsStore settings;
        OverlayView view(&model, settings);
        const QImage image = view.renderToImage(cardSize);
        const QRectF bar = barArea(view);
        const QColor fill = TimerColors::of(BarTone(barTone));
        const int end = fillEnd(image, view, fill);
        const double expectedEnd =
            bar.left() + (expectedShare < 0 ? bar.height() : expectedShare * bar.width());
        QVERIFY2(
            std::abs(end + 1 - expectedEnd) <= 1.5,
            qPrintable(QStringLiteral("fill ends at %1, expected %2").arg(end).arg(expectedEnd)));
        // The fill starts at the track's left end.
        QVERIFY(near(image.pixelColor(int(bar.left() + bar.height() / 2), int(bar.center().y())),
                     onBlack(fill), 3));
        // The unfilled track is white at 0.15.
        if (expectedShare < 1) {
            const QColor track =
                image.pixelColor(int(bar.right() - bar.height()), int(bar.center().y()));
            QVERIFY2(near(track, onBlack(Qt::white, 0.15)), qPrintable(track.name()));
        }
        // The record keeps what the producer stored.
        QVERIFY(model.display().progress.has_value());
    }

    void emptyBarDotIsRound() {
        OverlayModel model;
        TimerDisplay d = display(QStringLiteral("00:00"));
        d.progress = 0.0;
        model.setDisplay(d);
        SettingsStore settings;
        OverlayView view(&model, settings);
        const QImage image = view.renderToImage(QSize(1600, 720), 1);
        const QRectF bar = barArea(view, QSize(1600, 720));
        const QColor fill = onBlack(TimerColors::of(BarTone::normal));
        // The dot is a circle of the bar's height: as tall at its centre as it is wide.
        int top = INT_MAX, bottom = -1;
        forEachPixel(image,
                     QRectF(bar.left() + bar.height() / 2, bar.top() - 2, 1, bar.height() + 4),
                     [&](int, int y, const QColor& c) {
                         if (near(c, fill, 3)) {
                             top = std::min(top, y);
                             bottom = std::max(bottom, y);
                         }
                     });
        const int end = fillEnd(image, view, TimerColors::of(BarTone::normal), QSize(1600, 720));
        QVERIFY(bottom > top);
        QVERIFY(std::abs((bottom - top) - (end - int(bar.left()))) <= 2);
    }

    void blinkingMessageFadesToFifteenPercent() {
        OverlayModel model;
        TimerDisplay d = display(QStringLiteral("02:00"));
        d.message = QStringLiteral("Bitte zum Ende kommen");
        d.secondary = QStringLiteral("Nächste: Frau Berg");
        d.blink = true;
        model.setDisplay(d);
        SettingsStore settings;
        OverlayView view(&model, settings);
        const Metrics m = view.metricsFor(cardSize);
        const QColor yellow = TimerColors::yellow();

        QVERIFY(view.blinkOn());
        QImage image = view.renderToImage(cardSize);
        QVERIFY(near(dominantColour(image, toRectF(messageRow(m)), opaqueBlack), onBlack(yellow)));

        view.setBlinkOn(false);
        image = view.renderToImage(cardSize);
        const QColor faded = dominantColour(image, toRectF(messageRow(m)), opaqueBlack);
        QVERIFY2(near(faded, onBlack(yellow, 0.15)), qPrintable(faded.name()));
        // The second line never blinks.
        QVERIFY(near(dominantColour(image, toRectF(secondaryRow(m)), opaqueBlack),
                     onBlack(Qt::white, 0.85)));

        // Without blink the message stays at full strength in either phase.
        d.blink = false;
        model.setDisplay(d);
        image = view.renderToImage(cardSize);
        QVERIFY(near(dominantColour(image, toRectF(messageRow(m)), opaqueBlack), onBlack(yellow)));
    }

    void blinkTimerTogglesFromTheFirstShow() {
        OverlayModel model;
        SettingsStore settings;
        OverlayView view(&model, settings);
        QCOMPARE(view.blinkInterval(), 500);
        QVERIFY(!view.isBlinkTimerRunning());
        view.setBlinkInterval(5);
        view.resize(cardSize);
        view.show();
        QVERIFY(view.isBlinkTimerRunning());
        QTRY_VERIFY(!view.blinkOn());
        QTRY_VERIFY(view.blinkOn());
    }

    void settingsSwitchesRedrawLive() {
        OverlayModel model;
        TimerDisplay d = display(QStringLiteral("12:34"));
        d.caption = QStringLiteral("Keynote");
        d.message = QStringLiteral("Noch fünf Minuten");
        d.secondary = QStringLiteral("Raum A");
        d.progress = 0.5;
        model.setDisplay(d);
        SettingsStore settings;
        OverlayView view(&model, settings);
        const QRectF caption = toRectF(captionBox(view.metricsFor(cardSize)));
        const QRectF gear = toRectF(gearBox(view.metricsFor(cardSize)));
        const QColor green = TimerColors::of(BarTone::normal);

        QImage image = view.renderToImage(cardSize);
        QVERIFY(countDifferent(image, caption, opaqueBlack) > 20);
        QVERIFY(countNear(image, onBlack(TimerColors::yellow())) > 20);

        // Caption off: the caption goes, the icons stay.
        SettingsStore().setBool(SettingsKey::showCaption, false);
        QVERIFY(!view.showCaption());
        image = view.renderToImage(cardSize);
        QCOMPARE(countDifferent(image, caption, opaqueBlack), 0);
        QVERIFY(countDifferent(image, gear, opaqueBlack) > 20);

        // Messages off: both lines go and the time grows.
        const double timeBefore = view.metricsFor(cardSize).timeFontSize;
        SettingsStore().setBool(SettingsKey::showMessages, false);
        QVERIFY(!view.rows().message && !view.rows().secondary);
        QVERIFY(view.metricsFor(cardSize).timeFontSize > timeBefore);
        image = view.renderToImage(cardSize);
        QCOMPARE(countNear(image, onBlack(TimerColors::yellow())), 0);

        // Bar off: no fill anywhere.
        QVERIFY(fillEnd(image, view, green) > 0);
        SettingsStore().setBool(SettingsKey::showBar, false);
        image = view.renderToImage(cardSize);
        QCOMPARE(countNear(image, onBlack(green)), 0);

        // And back on.
        SettingsStore().setBool(SettingsKey::showBar, true);
        QVERIFY(fillEnd(view.renderToImage(cardSize), view, green) > 0);
    }

    // What a change repaints on a shown card: nothing when nothing drawn changes, only the
    // changed rows when the layout stays, everything when it moves.
    void repaintsOnlyWhatIsDrawn_data() {
        QTest::addColumn<QString>("change");
        QTest::addColumn<QString>("repaint"); // none, rows or all
        QTest::addColumn<QString>("row");     // the row that must be inside a partial repaint
        QTest::newRow("equal record") << u"equal"_s << u"none"_s << QString();
        QTest::newRow("bar within its pixel") << u"bar-hair"_s << u"none"_s << QString();
        QTest::newRow("blink phase, nothing blinks") << u"phase"_s << u"none"_s << QString();
        QTest::newRow("blinking switched on in the bright phase")
            << u"blink-on"_s << u"none"_s << QString();
        QTest::newRow("unrelated setting") << u"host"_s << u"none"_s << QString();
        QTest::newRow("next second") << u"time"_s << u"rows"_s << u"time"_s;
        QTest::newRow("overtime colour") << u"tone"_s << u"rows"_s << u"time"_s;
        QTest::newRow("bar moves") << u"bar"_s << u"rows"_s << u"bar"_s;
        QTest::newRow("blinking message dims") << u"dim"_s << u"rows"_s << u"message"_s;
        QTest::newRow("second line") << u"secondary"_s << u"rows"_s << u"secondary"_s;
        QTest::newRow("caption off") << u"caption-off"_s << u"rows"_s << u"caption"_s;
        QTest::newRow("opacity") << u"opacity"_s << u"all"_s << QString();
        QTest::newRow("outline") << u"outline"_s << u"all"_s << QString();
        QTest::newRow("messages off") << u"messages-off"_s << u"all"_s << QString();
        QTest::newRow("longer time text") << u"long-time"_s << u"all"_s << QString();
    }

    void repaintsOnlyWhatIsDrawn() {
        QFETCH(QString, change);
        QFETCH(QString, repaint);
        QFETCH(QString, row);
        OverlayModel model;
        TimerDisplay d = display(QStringLiteral("12:34"));
        d.caption = QStringLiteral("Keynote");
        d.message = QStringLiteral("Noch fünf Minuten");
        d.secondary = QStringLiteral("Raum A");
        d.progress = 0.5;
        model.setDisplay(d);
        SettingsStore settings;
        OverlayView view(&model, settings);
        view.setBlinkInterval(60'000); // the phase changes only when the test says so
        view.resize(cardSize);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        PaintCounter counter(&view);
        QTest::qWait(50);
        counter.paints = 0;
        counter.region = QRegion();

        const std::map<QString, std::function<void()>> changes{
            {u"equal"_s, [&] { model.setDisplay(d); }},
            {u"bar-hair"_s, [&] { d.progress = 0.5001, model.setDisplay(d); }},
            {u"phase"_s, [&] { view.setBlinkOn(false); }},
            {u"blink-on"_s, [&] { d.blink = true, model.setDisplay(d); }},
            {u"host"_s, [] { SettingsStore().setString(SettingsKey::ontimeHost, u"h"_s); }},
            {u"time"_s, [&] { d.time = u"12:35"_s, model.setDisplay(d); }},
            {u"tone"_s, [&] { d.tone = Tone::overtime, model.setDisplay(d); }},
            {u"bar"_s, [&] { d.progress = 0.6, model.setDisplay(d); }},
            {u"dim"_s, [&] { d.blink = true, model.setDisplay(d), view.setBlinkOn(false); }},
            {u"secondary"_s, [&] { d.secondary = u"Raum B"_s, model.setDisplay(d); }},
            {u"caption-off"_s, [] { SettingsStore().setBool(SettingsKey::showCaption, false); }},
            {u"opacity"_s, [] { SettingsStore().setDouble(SettingsKey::overlayOpacity, 0.3); }},
            {u"outline"_s, [&] { view.setOutlined(true); }},
            {u"messages-off"_s, [] { SettingsStore().setBool(SettingsKey::showMessages, false); }},
            {u"long-time"_s, [&] { d.time = u"1:12:34"_s, model.setDisplay(d); }},
        };
        changes.at(change)();
        if (repaint == u"none"_s) {
            QTest::qWait(100);
            QCOMPARE(counter.paints, 0);
            return;
        }
        QTRY_VERIFY(counter.paints > 0);
        const QRegion painted = counter.region;
        if (repaint == u"all"_s) {
            QCOMPARE(painted, QRegion(view.rect()));
            return;
        }
        const Metrics m = view.metricsFor(cardSize);
        const std::map<QString, Rect> rows{{u"time"_s, timeRow(m)},
                                           {u"bar"_s, barTrack(m)},
                                           {u"message"_s, messageRow(m)},
                                           {u"secondary"_s, secondaryRow(m)},
                                           {u"caption"_s, captionBox(m)}};
        const QRect expected = toRectF(rows.at(row)).toAlignedRect();
        QVERIFY(painted.contains(expected));
        QVERIFY2(painted.boundingRect().height() < cardSize.height() * 2 / 3,
                 qPrintable(u"painted %1 rows high"_s.arg(painted.boundingRect().height())));
    }

    void opacityZeroLeavesOnlyTextsAndGlyphs() {
        OverlayModel model;
        TimerDisplay d = display(QStringLiteral("12:34"));
        d.caption = QStringLiteral("Keynote");
        model.setDisplay(d);
        SettingsStore settings;
        OverlayView view(&model, settings);
        QCOMPARE(view.renderToImage(cardSize).pixelColor(190, 160).alpha(), 255);

        SettingsStore().setDouble(SettingsKey::overlayOpacity, 0.5);
        QCOMPARE(view.renderToImage(cardSize).pixelColor(190, 160).alpha(), 128);

        SettingsStore().setDouble(SettingsKey::overlayOpacity, 0.0);
        const QImage image = view.renderToImage(cardSize);
        const Metrics m = view.metricsFor(cardSize);
        const QColor transparent = QColor::fromRgba(0);
        QCOMPARE(image.pixelColor(190, 160).alpha(), 0);
        QVERIFY(countDifferent(image, toRectF(timeRow(m)), transparent) > 100);
        QVERIFY(countDifferent(image, toRectF(gearBox(m)), transparent) > 20);
        QVERIFY(countDifferent(image, toRectF(closeBox(m)), transparent) > 20);
        QVERIFY(countDifferent(image, toRectF(captionBox(m)), transparent) > 20);
        QVERIFY(countDifferent(image, QRectF(380 - 16, 170 - 16, 16, 16), transparent) > 5);
        // The icons are white at half strength.
        const QColor icon = dominantColour(image, toRectF(gearBox(m)), transparent);
        QVERIFY2(std::abs(icon.alpha() - 128) <= 2 && icon.red() >= 250,
                 qPrintable(icon.name(QColor::HexArgb)));
    }

    void longTextsShrinkInsteadOfBeingCut() {
        OverlayModel model;
        TimerDisplay d = display(QStringLiteral("-123:45:67.8"));
        d.message =
            QStringLiteral("Bitte kommen Sie jetzt zum Schluss, die nächste Rednerin wartet");
        model.setDisplay(d);
        SettingsStore settings;
        OverlayView view(&model, settings);
        const QImage image = view.renderToImage(cardSize);
        const Metrics m = view.metricsFor(cardSize);
        QVERIFY(std::abs(m.timeFontSize - 380 / 7.44) < 1e-9);
        // Everything drawn lies inside the content column's 4-point insets.
        for (const QRectF& row : {toRectF(timeRow(m)), toRectF(messageRow(m))}) {
            int left = INT_MAX, right = -1;
            // Leave out the card's rounded corners and the grip.
            const QRectF area(0, row.top(), 380, std::min(row.bottom(), 170.0 - 16) - row.top());
            forEachPixel(image, area, [&](int x, int, const QColor& c) {
                if (c.alpha() == 255 && c.rgba() != opaqueBlack.rgba()) {
                    left = std::min(left, x);
                    right = std::max(right, x);
                }
            });
            QVERIFY(right > left);
            QVERIFY2(left >= 4 && right < 376,
                     qPrintable(QStringLiteral("drawn from %1 to %2").arg(left).arg(right)));
        }
    }

    void highResolutionRendering() {
        SettingsStore().setDouble(SettingsKey::overlayOpacity, 0.85);
        OverlayModel model;
        model.setDisplay(display(QStringLiteral("12:34")));
        SettingsStore settings;
        OverlayView view(&model, settings);
        const QImage image = view.renderToImage(cardSize, 2);
        QCOMPARE(image.size(), cardSize * 2);
        QCOMPARE(image.devicePixelRatio(), 2.0);
        QCOMPARE(image.pixelColor(380, 330).alpha(), 217);
        QCOMPARE(image.pixelColor(0, 0).alpha(), 0);
        const QRectF time = toRectF(timeRow(view.metricsFor(cardSize)));
        QVERIFY(near(dominantColour(image, time, QColor::fromRgba(qRgba(0, 0, 0, 217))),
                     QColor(Qt::white)));
    }

    void everySizeRendersWithinItsCard_data() {
        QTest::addColumn<QSize>("size");
        QTest::newRow("minimum") << QSize(150, 70);
        QTest::newRow("default") << cardSize;
        QTest::newRow("wide strip") << QSize(1600, 720);
        QTest::newRow("tall") << QSize(150, 600);
    }

    void everySizeRendersWithinItsCard() {
        QFETCH(QSize, size);
        OverlayModel model;
        TimerDisplay d = display(QStringLiteral("12:34"));
        d.caption = QStringLiteral("Hauptsaal");
        d.message = QStringLiteral("Noch fünf Minuten");
        d.secondary = QStringLiteral("Danach: Pause");
        d.progress = 0.6;
        model.setDisplay(d);
        SettingsStore settings;
        OverlayView view(&model, settings);
        const QImage image = view.renderToImage(size);
        QCOMPARE(image.size(), size);
        // Every row has something drawn in it.
        const Metrics m = view.metricsFor(size);
        for (const Rect& row : {captionBox(m), timeRow(m), messageRow(m), secondaryRow(m)})
            QVERIFY(countDifferent(image, toRectF(row), opaqueBlack) > 0);
        QVERIFY(fillEnd(image, view, TimerColors::of(BarTone::normal), size) > 0);
    }

    // Writes PNGs of typical states for a person to look at, when KALVANE_SNAPSHOT_DIR names
    // a folder.
    void snapshots() {
        const QString folder = qEnvironmentVariable("KALVANE_SNAPSHOT_DIR");
        if (folder.isEmpty())
            QSKIP("Set KALVANE_SNAPSHOT_DIR to a folder to get PNGs of the timer window");
        QVERIFY(QDir().mkpath(folder));
        SettingsStore().setDouble(SettingsKey::overlayOpacity, 0.85);

        struct State {
            const char* name;
            TimerDisplay display;
            bool blinkOn;
        };
        TimerDisplay running = display(QStringLiteral("12:34"));
        running.caption = QStringLiteral("Hauptsaal – Keynote");
        running.progress = 0.62;
        TimerDisplay paused = display(QStringLiteral("04:59"), Tone::paused);
        paused.caption = QStringLiteral("Ontime");
        paused.message = QStringLiteral("Bitte zum Ende kommen");
        paused.secondary = QStringLiteral("Nächste: Podiumsdiskussion");
        paused.progress = 0.18;
        paused.barTone = BarTone::warning;
        TimerDisplay overtime = display(QStringLiteral("-1:07"), Tone::overtime);
        overtime.caption = QStringLiteral("Stagetimer");
        overtime.message = QStringLiteral("Zeit ist um!");
        overtime.blink = true;
        overtime.progress = 0.0;
        overtime.barTone = BarTone::danger;
        TimerDisplay talk = display(QStringLiteral("1:02:45"));
        talk.caption = QStringLiteral("Redezeit");
        TimerDisplay longTexts = display(QStringLiteral("-123:45:67"), Tone::overtime);
        longTexts.caption =
            QStringLiteral("Ein sehr langer Titel, der nicht in die obere Zeile passt");
        longTexts.message = QStringLiteral(
            "Bitte kommen Sie jetzt zum Schluss, die nächste Rednerin wartet bereits");
        longTexts.secondary = QStringLiteral("Ein langer zweiter Hinweis unter der Nachricht");
        longTexts.progress = 1.7;
        longTexts.barTone = BarTone::danger;

        const State states[] = {{"initial", TimerDisplay::initial(), true},
                                {"running", running, true},
                                {"paused", paused, true},
                                {"overtime", overtime, true},
                                {"overtime-faded", overtime, false},
                                {"talk", talk, true},
                                {"long", longTexts, true}};
        const QSize sizes[] = {QSize(150, 70), cardSize, QSize(1600, 720), QSize(600, 120)};
        OverlayModel model;
        SettingsStore settings;
        OverlayView view(&model, settings);
        for (const State& state : states) {
            model.setDisplay(state.display);
            view.setBlinkOn(state.blinkOn);
            for (const QSize& size : sizes)
                for (const qreal ratio : {1.0, 2.0}) {
                    const QString file =
                        QDir(folder).filePath(QStringLiteral("overlay-%1-%2x%3@%4x.png")
                                                  .arg(QLatin1String(state.name))
                                                  .arg(size.width())
                                                  .arg(size.height())
                                                  .arg(int(ratio)));
                    QVERIFY(view.renderToImage(size, ratio).save(file));
                }
        }
    }
};

KALVANE_TEST_MAIN_GUI(OverlayViewTest)
#include "OverlayViewTest.moc"
