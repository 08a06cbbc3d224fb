#include "overlay/OverlayLayout.h"
#include "support/TestMain.h"

#include <QTest>

#include <cmath>
#include <limits>

using namespace OverlayLayout;

Q_DECLARE_METATYPE(OverlayLayout::Zone)

namespace {

bool same(double a, double b) {
    return std::abs(a - b) < 1e-9;
}

Zone zone(bool left, bool right, bool top, bool bottom) {
    Zone z;
    z.left = left;
    z.right = right;
    z.top = top;
    z.bottom = bottom;
    return z;
}

} // namespace

class OverlayLayoutTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void defaultSizeWithEveryRow() {
        const Metrics m =
            metrics(380, 170, {true, true, true}, perceivedLength(QStringLiteral("12:34")));
        QVERIFY(same(m.captionSize, 22.1));
        QVERIFY(same(m.topRowHeight, 36.1));
        QVERIFY(same(m.messageHeight, 34));
        QVERIFY(same(m.secondaryHeight, 22.1));
        QVERIFY(same(m.barHeight, 9.35));
        QVERIFY(same(m.barBlock, 19.35));
        QVERIFY(same(m.timeAreaHeight, 52.45));
        QVERIFY(same(m.timeFontSize, 48.254));
    }

    void minimumSizeClamps() {
        const Metrics m = metrics(150, 70, {true, true, true}, 5);
        QVERIFY(same(m.captionSize, 13));
        QVERIFY(same(m.topRowHeight, 27));
        QVERIFY(same(m.barHeight, 4));
        QVERIFY(same(m.barBlock, 14));
        QVERIFY(same(m.timeAreaHeight, 10));
        QVERIFY(same(m.timeFontSize, 9.2));
        // Nothing shown but the time: the rows' heights go to it.
        const Metrics bare = metrics(150, 70, {}, 5);
        QVERIFY(same(bare.timeAreaHeight, 70 - 27 - 6));
    }

    void upperClamps() {
        QVERIFY(captionSize(184.6) < 24);
        QVERIFY(same(captionSize(184.62), 24));
        QVERIFY(same(captionSize(2000), 24));
        QVERIFY(cornerRadius(183.3) < 22);
        QVERIFY(same(cornerRadius(183.34), 22));
        QVERIFY(same(cornerRadius(720), 22));
        QVERIFY(same(cornerRadius(70), 8.4));
    }

    void hiddenRowsGiveTheirHeightToTheTime_data() {
        QTest::addColumn<bool>("message");
        QTest::addColumn<bool>("secondary");
        QTest::addColumn<bool>("bar");
        QTest::addColumn<double>("timeArea");
        QTest::newRow("all") << true << true << true << 52.45;
        QTest::newRow("no message") << false << true << true << 86.45;
        QTest::newRow("no second line") << true << false << true << 74.55;
        QTest::newRow("no bar") << true << true << false << 71.8;
        QTest::newRow("time only") << false << false << false << 127.9;
    }

    void hiddenRowsGiveTheirHeightToTheTime() {
        QFETCH(bool, message);
        QFETCH(bool, secondary);
        QFETCH(bool, bar);
        QFETCH(double, timeArea);
        const Metrics m = metrics(380, 170, {message, secondary, bar}, 5);
        QVERIFY2(same(m.timeAreaHeight, timeArea), qPrintable(QString::number(m.timeAreaHeight)));
        QCOMPARE(m.messageHeight > 0, message);
        QCOMPARE(m.secondaryHeight > 0, secondary);
        QCOMPARE(m.barBlock > 0, bar);
    }

    void timeFontFollowsTheCharacterCount() {
        // A short text is bound by the height, a long one by the width.
        QVERIFY(same(timeFontSize(380, 127.9, 5), 0.92 * 127.9));
        QVERIFY(same(timeFontSize(380, 127.9, 12), 380 / 7.44));
        // The divisor never drops below 3.2.
        QVERIFY(same(timeFontSize(380, 500, 0), 380 / 3.2));
        QVERIFY(same(timeFontSize(380, 500, 1), 380 / 3.2));
        QVERIFY(same(timeFontSize(20, 500, 8), 8));
    }

    void charactersAreCountedAsReadersSeeThem() {
        QCOMPARE(perceivedLength(QString()), 0);
        QCOMPARE(perceivedLength(QStringLiteral("12:34")), 5);
        QCOMPARE(perceivedLength(QStringLiteral("-0:05")), 5);
        QCOMPARE(perceivedLength(QStringLiteral("e\u0301")), 1); // e with a combining accent
        QCOMPARE(perceivedLength(QStringLiteral("\U0001F1E9\U0001F1EA")),
                 1);                                                  // a flag: two code points
        QCOMPARE(perceivedLength(QStringLiteral("\U0001F600 1")), 3); // surrogate pair, blank, 1
    }

    void rowsStackFromTheTop() {
        const Metrics m = metrics(380, 170, {true, true, true}, 5);
        QCOMPARE(gearBox(m).x, 7.0);
        QVERIFY(same(gearBox(m).y + gearBox(m).height / 2, m.topRowHeight / 2));
        QVERIFY(same(closeBox(m).right(), 373));
        QVERIFY(same(captionBox(m).x, 7 + 22.1 + 6));
        QVERIFY(same(captionBox(m).right(), 373 - 22.1 - 6));
        QVERIFY(same(timeRow(m).y, 36.1));
        QVERIFY(same(timeRow(m).x, 4));
        QVERIFY(same(timeRow(m).width, 372));
        QVERIFY(same(messageRow(m).y, 36.1 + 52.45));
        QVERIFY(same(secondaryRow(m).y, 36.1 + 52.45 + 34));
        const Rect bar = barTrack(m);
        QVERIFY(same(bar.x, 11));
        QVERIFY(same(bar.width, 358));
        QVERIFY(same(bar.y, 36.1 + 52.45 + 34 + 22.1 + 4));
        QVERIFY(same(bar.height, 9.35));
        // The column ends 6 points below the bar block.
        QVERIFY(same(bar.y - 4 + m.barBlock + 6, 170));
    }

    void progressIsClampedAndTheFillKeepsItsDot() {
        QCOMPARE(clampProgress(0.25), 0.25);
        QCOMPARE(clampProgress(-0.2), 0.0);
        QCOMPARE(clampProgress(1.7), 1.0);
        QCOMPARE(clampProgress(std::numeric_limits<double>::quiet_NaN()), 0.0);
        QCOMPARE(clampProgress(std::numeric_limits<double>::infinity()), 1.0);
        QCOMPARE(clampProgress(-std::numeric_limits<double>::infinity()), 0.0);
        QVERIFY(same(fillWidth(0.5, 358, 9.35), 179));
        QVERIFY(same(fillWidth(0, 358, 9.35), 9.35));
        QVERIFY(same(fillWidth(-0.2, 358, 9.35), 9.35));
        QVERIFY(same(fillWidth(0.01, 358, 9.35), 9.35));
        QVERIFY(same(fillWidth(1.7, 358, 9.35), 358));
        QVERIFY(same(barWidth(150), 128));
    }

    void hitTesting_data() {
        QTest::addColumn<double>("x");
        QTest::addColumn<double>("t");
        QTest::addColumn<int>("button"); // -1 none, else Button
        QTest::addColumn<Zone>("zone");
        QTest::addColumn<int>("cursor");

        const auto none = -1;
        const auto gear = int(Button::gearIcon);
        const auto close = int(Button::closeIcon);
        const Zone interior;
        QTest::newRow("left edge at mid-height")
            << 2.0 << 85.0 << none << zone(true, false, false, false)
            << int(Cursor::resizeLeftRight);
        QTest::newRow("top band above the gear")
            << 18.0 << 2.0 << none << zone(false, false, true, false) << int(Cursor::resizeUpDown);
        QTest::newRow("gear, 5 points from the top")
            << 18.0 << 5.0 << gear << zone(false, false, true, false) << int(Cursor::pointingHand);
        QTest::newRow("gear square's last column")
            << 40.0 << 20.0 << gear << interior << int(Cursor::pointingHand);
        QTest::newRow("right of the gear square")
            << 40.2 << 20.0 << none << interior << int(Cursor::openHand);
        QTest::newRow("below the gear square")
            << 18.0 << 40.1 << none << interior << int(Cursor::openHand);
        QTest::newRow("gear reaches into the left band")
            << 4.0 << 20.0 << gear << zone(true, false, false, false) << int(Cursor::pointingHand);
        QTest::newRow("outer 3.5 points stay an edge")
            << 3.0 << 20.0 << none << zone(true, false, false, false)
            << int(Cursor::resizeLeftRight);
        QTest::newRow("close icon")
            << 362.0 << 18.0 << close << interior << int(Cursor::pointingHand);
        QTest::newRow("close square's right end")
            << 376.5 << 18.0 << close << zone(false, true, false, false)
            << int(Cursor::pointingHand);
        QTest::newRow("right of the close square")
            << 377.0 << 18.0 << none << zone(false, true, false, false)
            << int(Cursor::resizeLeftRight);
        QTest::newRow("top-left corner") << 2.0 << 2.0 << none << zone(true, false, true, false)
                                         << int(Cursor::resizeDiagonalDown);
        QTest::newRow("top-right corner") << 378.0 << 2.0 << none << zone(false, true, true, false)
                                          << int(Cursor::resizeDiagonalUp);
        QTest::newRow("bottom-left corner")
            << 2.0 << 168.0 << none << zone(true, false, false, true)
            << int(Cursor::resizeDiagonalUp);
        QTest::newRow("bottom edge") << 190.0 << 165.0 << none << zone(false, false, false, true)
                                     << int(Cursor::resizeUpDown);
        QTest::newRow("grip square, outside both bands")
            << 366.0 << 156.0 << none << zone(false, true, false, true)
            << int(Cursor::resizeDiagonalDown);
        QTest::newRow("bottom-right corner")
            << 378.0 << 168.0 << none << zone(false, true, false, true)
            << int(Cursor::resizeDiagonalDown);
        QTest::newRow("just outside the grip square")
            << 364.0 << 156.0 << none << interior << int(Cursor::openHand);
        QTest::newRow("interior") << 190.0 << 85.0 << none << interior << int(Cursor::openHand);
    }

    void hitTesting() {
        QFETCH(double, x);
        QFETCH(double, t);
        QFETCH(int, button);
        QFETCH(Zone, zone);
        QFETCH(int, cursor);
        const auto hit = buttonAt(x, t, 380, 170);
        QCOMPARE(hit ? int(*hit) : -1, button);
        const Zone z = zoneAt(x, t, 380, 170);
        QVERIFY(z == zone);
        QCOMPARE(int(cursorFor(hit, z)), cursor);
    }

    void iconSquaresFollowTheCaptionSize() {
        // 150 × 70: s = 13, the squares end 31 points in; 1000 high: s = 24, 42 points.
        QVERIFY(buttonAt(30.9, 10, 150, 70) == Button::gearIcon);
        QVERIFY(!buttonAt(31, 10, 150, 70));
        QVERIFY(!buttonAt(10, 31, 150, 70));
        QVERIFY(buttonAt(41.9, 41.9, 1600, 1000) == Button::gearIcon);
        QVERIFY(buttonAt(1600 - 41.9, 41.9, 1600, 1000) == Button::closeIcon);
        QVERIFY(!buttonAt(42, 10, 1600, 1000));
    }

    void resizeKeepsTheOppositeEdge_data() {
        QTest::addColumn<Zone>("zone");
        QTest::addColumn<double>("dx");
        QTest::addColumn<double>("dy");
        QTest::addColumn<double>("x");
        QTest::addColumn<double>("y");
        QTest::addColumn<double>("width");
        QTest::addColumn<double>("height");
        // Start frame: (100, 200) 380 × 170, so its right edge is at 480, its bottom at 370.
        QTest::newRow("right grows")
            << zone(false, true, false, false) << 50.0 << 9.0 << 100.0 << 200.0 << 430.0 << 170.0;
        QTest::newRow("right stops at the minimum")
            << zone(false, true, false, false) << -300.0 << 0.0 << 100.0 << 200.0 << 150.0 << 170.0;
        QTest::newRow("left shrinks")
            << zone(true, false, false, false) << 50.0 << 0.0 << 150.0 << 200.0 << 330.0 << 170.0;
        QTest::newRow("left grows")
            << zone(true, false, false, false) << -20.0 << 0.0 << 80.0 << 200.0 << 400.0 << 170.0;
        QTest::newRow("left beyond the minimum keeps the right edge")
            << zone(true, false, false, false) << 400.0 << 0.0 << 330.0 << 200.0 << 150.0 << 170.0;
        QTest::newRow("top follows the pointer up")
            << zone(false, false, true, false) << 0.0 << -30.0 << 100.0 << 170.0 << 380.0 << 200.0;
        QTest::newRow("top beyond the minimum keeps the bottom edge")
            << zone(false, false, true, false) << 0.0 << 200.0 << 100.0 << 300.0 << 380.0 << 70.0;
        QTest::newRow("bottom grows")
            << zone(false, false, false, true) << 7.0 << 30.0 << 100.0 << 200.0 << 380.0 << 200.0;
        QTest::newRow("bottom beyond the minimum keeps the top edge")
            << zone(false, false, false, true) << 0.0 << -200.0 << 100.0 << 200.0 << 380.0 << 70.0;
        QTest::newRow("bottom-right corner")
            << zone(false, true, false, true) << 20.0 << 10.0 << 100.0 << 200.0 << 400.0 << 180.0;
        QTest::newRow("bottom-right corner to both minimums")
            << zone(false, true, false, true) << -1000.0 << -1000.0 << 100.0 << 200.0 << 150.0
            << 70.0;
        QTest::newRow("top-left corner")
            << zone(true, false, true, false) << -10.0 << -10.0 << 90.0 << 190.0 << 390.0 << 180.0;
    }

    void resizeKeepsTheOppositeEdge() {
        QFETCH(Zone, zone);
        QFETCH(double, dx);
        QFETCH(double, dy);
        QFETCH(double, x);
        QFETCH(double, y);
        QFETCH(double, width);
        QFETCH(double, height);
        const Rect frame = resizedFrame({100, 200, 380, 170}, zone, dx, dy);
        QCOMPARE(frame.x, x);
        QCOMPARE(frame.y, y);
        QCOMPARE(frame.width, width);
        QCOMPARE(frame.height, height);
    }
};

KALVANE_TEST_MAIN_CORE(OverlayLayoutTest)
#include "OverlayLayoutTest.moc"
