#include "OverlayTestSupport.h"
#include "settings/SettingsStore.h"

#include "overlay/OverlayHostingView.h"
#include "overlay/OverlayModel.h"
#include "overlay/OverlayPanel.h"
#include "platform/HoverForwarder.h"
#include "platform/OverlayWindowPlatform.h"
#include "platform/WindowStacking.h"
#include "powerpoint/PowerPoint.h"
#include "powerpoint/ProcessPowerPointQuery.h"
#include "support/TestMain.h"

#include <QEnterEvent>

Q_DECLARE_METATYPE(WindowStacking::StackedWindow)
Q_DECLARE_METATYPE(HoverForwarder::SystemCursor)

namespace {

// Writes down which widget saw which pointer event.
class Recorder final : public QWidget {
public:
    Recorder(QString name, QStringList* log, QWidget* parent = nullptr)
        : QWidget(parent)
        , m_name(std::move(name))
        , m_log(log) {
        setMouseTracking(true);
    }

protected:
    void enterEvent(QEnterEvent* event) override {
        *m_log << QStringLiteral("enter %1 %2,%3")
                      .arg(m_name)
                      .arg(event->position().x())
                      .arg(event->position().y());
    }
    void leaveEvent(QEvent*) override { *m_log << QStringLiteral("leave %1").arg(m_name); }
    void mouseMoveEvent(QMouseEvent* event) override {
        *m_log << QStringLiteral("move %1 %2,%3")
                      .arg(m_name)
                      .arg(event->position().x())
                      .arg(event->position().y());
    }

private:
    QString m_name;
    QStringList* m_log;
};

} // namespace

class PlatformTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void captureExclusionIsBestEffortFromMacOS15_data() {
        QTest::addColumn<int>("major");
        QTest::addColumn<int>("minor");
        QTest::addColumn<bool>("bestEffort");
        QTest::newRow("13.0") << 13 << 0 << false;
        QTest::newRow("15.0") << 15 << 0 << true;
        QTest::newRow("26.1") << 26 << 1 << true;
    }
    void captureExclusionIsBestEffortFromMacOS15() {
        QFETCH(int, major);
        QFETCH(int, minor);
        QFETCH(bool, bestEffort);
        const auto capabilities = OverlayWindowPlatform::macOSCapabilities(
            QOperatingSystemVersion(QOperatingSystemVersion::MacOS, major, minor));
        QVERIFY(capabilities.captureExclusion);
        QCOMPARE(capabilities.captureExclusionBestEffort, bestEffort);
    }

    // The card is brought to the front only for a window it can get in front of: another
    // program's, visible, overlapping it, on no higher level.
    void onlyAnotherProgramsWindowAtTheCardsLevelCoversIt_data() {
        using WindowStacking::StackedWindow;
        QTest::addColumn<StackedWindow>("window");
        QTest::addColumn<bool>("covers");
        const QRectF over(900, 20, 200, 100);
        QTest::newRow("overlapping") << StackedWindow{over, 1000} << true;
        QTest::newRow("lower level") << StackedWindow{over, 0} << true;
        QTest::newRow("higher level") << StackedWindow{over, 1001} << false;
        QTest::newRow("elsewhere") << StackedWindow{{0, 0, 200, 100}, 1000} << false;
        QTest::newRow("edge to edge") << StackedWindow{{1000, 0, 100, 20}, 1000} << false;
        QTest::newRow("transparent") << StackedWindow{over, 1000, 0} << false;
        QTest::newRow("our tooltip") << StackedWindow{over, 1000, 1, true} << false;
    }
    void onlyAnotherProgramsWindowAtTheCardsLevelCoversIt() {
        QFETCH(WindowStacking::StackedWindow, window);
        QFETCH(bool, covers);
        const WindowStacking::StackedWindow card{{1000, 20, 380, 170}, 1000};
        QCOMPARE(WindowStacking::coversCard(card, {window}), covers);
        QCOMPARE(WindowStacking::coversCard(card, {{{0, 0, 10, 10}, 1000}, window}), covers);
    }

    // osascript rebuilds the script from its "-e" lines, joined by line feeds: exactly the
    // query's source, quotes and all, with no shell in between.
    void osascriptGetsTheScriptLineByLine() {
        const QStringList arguments =
            ProcessPowerPointQuery::osascriptArguments(PowerPoint::scriptSource());
        QCOMPARE(arguments.size(), 2 * (PowerPoint::scriptSource().count(u'\n') + 1));
        QStringList lines;
        for (qsizetype i = 0; i < arguments.size(); i += 2) {
            QCOMPARE(arguments.at(i), QStringLiteral("-e"));
            lines << arguments.at(i + 1);
        }
        QCOMPARE(lines.join(u'\n'), PowerPoint::scriptSource());
    }

    // Enter and leave reach exactly the widgets the pointer crossed, outer ones first on the
    // way in and last on the way out; the move goes to the widget under the pointer, in its
    // own coordinates.
    void hoverCrossesTheWidgetsLikeQt() {
        QStringList log;
        Recorder window(QStringLiteral("window"), &log);
        window.setGeometry(0, 0, 200, 100);
        Recorder child(QStringLiteral("child"), &log, &window);
        child.setGeometry(100, 0, 100, 100);
        HoverForwarder hover(&window);

        hover.moveTo(QPointF(10, 20), Qt::NoButton);
        hover.moveTo(QPointF(120, 30), Qt::NoButton);
        hover.moveTo(QPointF(130, 40), Qt::NoButton);
        hover.moveTo(QPointF(50, 50), Qt::NoButton);
        hover.leave();
        QCOMPARE(log, (QStringList{
                          QStringLiteral("enter window 10,20"), QStringLiteral("move window 10,20"),
                          QStringLiteral("enter child 20,30"), QStringLiteral("move child 20,30"),
                          QStringLiteral("move child 30,40"), QStringLiteral("leave child"),
                          QStringLiteral("move window 50,50"), QStringLiteral("leave window")}));
    }

    // The timer window shows the resize cursors and the others while hover comes from the
    // platform instead of Qt, and each has a system cursor of its own, the diagonals too.
    void timerWindowCursorFollowsForwardedHover_data() {
        using Cursor = HoverForwarder::SystemCursor;
        QTest::addColumn<QPointF>("at");
        QTest::addColumn<int>("cursor");
        QTest::addColumn<Cursor>("system");
        QTest::newRow("left edge")
            << QPointF(2, 85) << int(Qt::SizeHorCursor) << Cursor::resizeLeftRight;
        QTest::newRow("grip") << QPointF(372, 164) << int(Qt::SizeFDiagCursor)
                              << Cursor::resizeDiagonalDown;
        QTest::newRow("bottom-left corner")
            << QPointF(2, 167) << int(Qt::SizeBDiagCursor) << Cursor::resizeDiagonalUp;
        QTest::newRow("gear") << QPointF(20, 20) << int(Qt::PointingHandCursor)
                              << Cursor::pointingHand;
        QTest::newRow("interior") << QPointF(190, 85) << int(Qt::OpenHandCursor)
                                  << Cursor::openHand;
    }
    void timerWindowCursorFollowsForwardedHover() {
        QFETCH(QPointF, at);
        QFETCH(int, cursor);
        QFETCH(HoverForwarder::SystemCursor, system);
        FakeOverlayWindowPlatform platform;
        OverlayModel model;
        SettingsStore settings;
        OverlayPanel panel(&model, settings);
        panel.setGeometry(100, 100, 380, 170);
        panel.showPanel();
        HoverForwarder hover(&panel);

        const Qt::CursorShape shape = hover.moveTo(at, Qt::NoButton);
        QCOMPARE(int(shape), cursor);
        QCOMPARE(HoverForwarder::systemCursor(shape), system);
        QCOMPARE(int(panel.hostingView()->cursor().shape()), cursor);
        hover.leave();
        QCOMPARE(panel.hostingView()->cursor().shape(), Qt::ArrowCursor);
    }
};

KALVANE_TEST_MAIN_GUI(PlatformTest)
#include "PlatformTest.moc"
