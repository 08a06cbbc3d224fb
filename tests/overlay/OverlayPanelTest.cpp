#include "OverlayTestSupport.h"

#include "overlay/OverlayHostingView.h"
#include "overlay/OverlayModel.h"
#include "overlay/OverlayPanel.h"
#include "overlay/OverlayView.h"
#include "settings/SettingsStore.h"
#include "support/TestMain.h"

#include <QGuiApplication>
#include <QMouseEvent>
#include <QScreen>
#include <QTest>

#include <memory>

namespace {

QRect screenArea() {
    return QGuiApplication::primaryScreen()->availableGeometry();
}

QRect expectedDefaultFrame() {
    const QRect area = screenArea();
    return QRect(area.x() + area.width() - 404, area.y() + 24, 380, 170);
}

// Sends one mouse event to the hosting view with an explicit screen position, the way the
// window system delivers them while the window moves under the pointer.
void send(QWidget* view, QEvent::Type type, QPointF global, Qt::MouseButton button,
          Qt::MouseButtons buttons) {
    const QPointF local = view->mapFromGlobal(global);
    QMouseEvent event(type, local, local, global, button, buttons, Qt::NoModifier);
    QCoreApplication::sendEvent(view, &event);
}

// One press-drag-release with the left button, from a point of the view (in view
// coordinates at the start) by a distance.
void drag(OverlayHostingView* view, QPointF from, QPointF by) {
    const QPointF start = view->mapToGlobal(from);
    send(view, QEvent::MouseButtonPress, start, Qt::LeftButton, Qt::LeftButton);
    // An intermediate position first: the result depends on the start, not on the last step.
    send(view, QEvent::MouseMove, start + by / 2, Qt::NoButton, Qt::LeftButton);
    send(view, QEvent::MouseMove, start + by, Qt::NoButton, Qt::LeftButton);
    send(view, QEvent::MouseButtonRelease, start + by, Qt::LeftButton, Qt::NoButton);
}

void hover(OverlayHostingView* view, QPointF at) {
    send(view, QEvent::MouseMove, view->mapToGlobal(at), Qt::NoButton, Qt::NoButton);
}

} // namespace

class OverlayPanelTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<FakeOverlayWindowPlatform> m_platform;
    std::unique_ptr<OverlayModel> m_model;
    std::unique_ptr<SettingsStore> m_settings;

    std::unique_ptr<OverlayPanel> makePanel() {
        return std::make_unique<OverlayPanel>(m_model.get(), *m_settings);
    }

    // A panel at a known place with counters on its callbacks.
    struct Wired {
        std::unique_ptr<OverlayPanel> panel;
        int gear = 0;
        int close = 0;
        int frameChanged = 0;
    };

    std::unique_ptr<Wired> wiredPanel(QRect frame = QRect(100, 100, 380, 170)) {
        auto wired = std::make_unique<Wired>();
        wired->panel = makePanel();
        wired->panel->setGeometry(frame);
        wired->panel->showPanel();
        OverlayHostingView* view = wired->panel->hostingView();
        Wired* w = wired.get();
        QObject::connect(view, &OverlayHostingView::gearClicked, [w] { ++w->gear; });
        QObject::connect(view, &OverlayHostingView::closeClicked, [w] { ++w->close; });
        QObject::connect(view, &OverlayHostingView::frameChanged, [w] { ++w->frameChanged; });
        return wired;
    }

private Q_SLOTS:
    void init() {
        TestSettings::installThrowawayStore();
        m_platform = std::make_unique<FakeOverlayWindowPlatform>();
        m_model = std::make_unique<OverlayModel>();
        m_settings = std::make_unique<SettingsStore>();
    }

    void cleanup() {
        m_model.reset();
        m_platform.reset();
    }

    void createdAsAFloatingToolWindowThatNeverTakesFocus() {
        const auto panel = makePanel();
        const Qt::WindowFlags flags = panel->windowFlags();
        QVERIFY(flags.testFlag(Qt::Tool));
        QVERIFY(flags.testFlag(Qt::FramelessWindowHint));
        QVERIFY(flags.testFlag(Qt::WindowStaysOnTopHint));
        QVERIFY(flags.testFlag(Qt::WindowDoesNotAcceptFocus));
        // Unmanaged only where the window manager would otherwise put it under a slide show.
        QVERIFY(OverlayPanel::windowFlagsFor(QStringLiteral("xcb"))
                    .testFlag(Qt::X11BypassWindowManagerHint));
        for (const auto* other : {"cocoa", "wayland", "offscreen", "windows"})
            QCOMPARE(OverlayPanel::windowFlagsFor(QString::fromLatin1(other)),
                     flags & ~Qt::WindowFlags(Qt::X11BypassWindowManagerHint));
        QVERIFY(panel->testAttribute(Qt::WA_TranslucentBackground));
        QVERIFY(panel->testAttribute(Qt::WA_ShowWithoutActivating));
        QVERIFY(panel->testAttribute(Qt::WA_MacAlwaysShowToolWindow));
        QCOMPARE(panel->focusPolicy(), Qt::NoFocus);
        QCOMPARE(panel->minimumSize(), QSize(150, 70));
        QVERIFY(!panel->isPanelVisible());
        QCOMPARE(panel->view(), panel->hostingView()->view());
        QCOMPARE(panel->view()->model(), m_model.get());
    }

    void firstRunPlacesItTopRight() {
        const auto panel = makePanel();
        QCOMPARE(panel->geometry(), expectedDefaultFrame());
        // Nothing is stored until the frame changes.
        QVERIFY(!SettingsStore().contains(SettingsKey::overlayFrame));
    }

    void frameSurvivesARestart() {
        {
            const auto panel = makePanel();
            panel->setGeometry(120, 140, 500, 210);
            panel->saveFrame();
        }
        QCOMPARE(SettingsStore().stringValue(SettingsKey::overlayFrame),
                 QStringLiteral("120,140,500,210"));
        const auto restarted = makePanel();
        QCOMPARE(restarted->geometry(), QRect(120, 140, 500, 210));
    }

    void unreadableFrameFallsBackToTheDefault_data() {
        QTest::addColumn<QVariant>("stored");
        QTest::newRow("words") << QVariant(QStringLiteral("somewhere nice"));
        QTest::newRow("three numbers") << QVariant(QStringLiteral("1,2,3"));
        QTest::newRow("no width") << QVariant(QStringLiteral("10,10,0,170"));
        QTest::newRow("negative height") << QVariant(QStringLiteral("10,10,380,-5"));
        QTest::newRow("not numbers") << QVariant(QStringLiteral("a,b,c,d"));
        QTest::newRow("a number") << QVariant(42);
        QTest::newRow("off every screen") << QVariant(QStringLiteral("30000,30000,380,170"));
        QTest::newRow("near 2^31") << QVariant(QStringLiteral("2147483000,100,380,170"));
    }

    void unreadableFrameFallsBackToTheDefault() {
        QFETCH(QVariant, stored);
        SettingsStore().setValue(SettingsKey::overlayFrame, stored);
        QCOMPARE(makePanel()->geometry(), expectedDefaultFrame());
    }

    void storedFrameIsFittedToItsScreen_data() {
        QTest::addColumn<QRect>("frame");
        QTest::addColumn<QRect>("fitted"); // empty: the default frame instead
        // Two screens side by side; the right one is smaller.
        QTest::newRow("inside stays") << QRect(100, 100, 380, 170) << QRect(100, 100, 380, 170);
        QTest::newRow("oversized shrinks to its screen")
            << QRect(100, 100, 40000, 20000) << QRect(0, 0, 1920, 1080);
        QTest::newRow("partly beside moves in")
            << QRect(1800, 1000, 380, 170) << QRect(1540, 910, 380, 170);
        QTest::newRow("mostly on the second screen")
            << QRect(1900, 50, 900, 300) << QRect(1920, 50, 900, 300);
        QTest::newRow("taller than the second screen")
            << QRect(2000, 0, 400, 5000) << QRect(2000, 0, 400, 800);
        QTest::newRow("off both") << QRect(5000, 5000, 380, 170) << QRect();
    }

    void storedFrameIsFittedToItsScreen() {
        QFETCH(QRect, frame);
        QFETCH(QRect, fitted);
        const QList<QRect> areas{QRect(0, 0, 1920, 1080), QRect(1920, 0, 1280, 800)};
        QCOMPARE(OverlayPanel::fitFrame(frame, areas),
                 fitted.isEmpty() ? std::nullopt : std::optional<QRect>(fitted));
        // A stored oversized frame never makes a window larger than the screen.
        SettingsStore().setString(SettingsKey::overlayFrame, QStringLiteral("100,100,40000,20000"));
        QVERIFY(screenArea().contains(makePanel()->geometry()));
    }

    void tooSmallStoredFrameGrowsToTheMinimum() {
        SettingsStore().setString(SettingsKey::overlayFrame, QStringLiteral("50,60,100,40"));
        QCOMPARE(makePanel()->geometry(), QRect(50, 60, 150, 70));
    }

    void resetReturnsToTheDefaultAndStoresIt() {
        const auto panel = makePanel();
        panel->setGeometry(10, 20, 900, 400);
        panel->saveFrame();
        panel->resetFrame();
        QCOMPARE(panel->geometry(), expectedDefaultFrame());
        QCOMPARE(SettingsStore().stringValue(SettingsKey::overlayFrame),
                 OverlayPanel::encodeFrame(expectedDefaultFrame()));
        QCOMPARE(makePanel()->geometry(), expectedDefaultFrame());
    }

    void frameTextRoundTrips() {
        const QRect frame(-1200, 35, 640, 288);
        QCOMPARE(OverlayPanel::decodeFrame(OverlayPanel::encodeFrame(frame)), frame);
        QCOMPARE(OverlayPanel::decodeFrame(QStringLiteral(" 1, 2 ,300 , 100")),
                 QRect(1, 2, 300, 100));
        QCOMPARE(OverlayPanel::defaultFrame(QRect(0, 25, 1440, 875)),
                 QRect(1440 - 404, 25 + 24, 380, 170));
    }

    void showingConfiguresTheWindowAndOrdersItFront() {
        const auto panel = makePanel();
        m_platform->calls.clear();
        panel->showPanel();
        QVERIFY(panel->isPanelVisible());
        QCOMPARE(m_platform->calls,
                 QStringList({QStringLiteral("configure hidden"), QStringLiteral("configure shown"),
                              QStringLiteral("front shown")}));
        // Every tick asks for the front again; the native window is not configured again.
        m_platform->calls.clear();
        panel->showPanel();
        QCOMPARE(m_platform->calls, QStringList({QStringLiteral("front shown")}));
        // Hidden and shown again: configured again, as Qt may have reset native settings.
        panel->hidePanel();
        m_platform->calls.clear();
        panel->showPanel();
        QCOMPARE(m_platform->calls,
                 QStringList({QStringLiteral("configure hidden"), QStringLiteral("configure shown"),
                              QStringLiteral("front shown")}));
        QVERIFY(!panel->isActiveWindow());
        QCOMPARE(QGuiApplication::focusWindow(), nullptr);
        panel->hidePanel();
        QVERIFY(!panel->isPanelVisible());
    }

    void sharingFollowsTheSetting() {
        const auto panel = makePanel();
        // Absent counts as false: kept out of captures.
        QCOMPARE(m_platform->captureExcluded, QList<bool>({true}));
        SettingsStore().setBool(SettingsKey::showInSharing, true);
        QCOMPARE(m_platform->captureExcluded, QList<bool>({true, false}));
        SettingsStore().setBool(SettingsKey::showInSharing, false);
        QCOMPARE(m_platform->captureExcluded, QList<bool>({true, false, true}));
        // Other keys leave it alone.
        SettingsStore().setBool(SettingsKey::showBar, false);
        QCOMPARE(m_platform->captureExcluded.size(), 3);
    }

    void cursorFollowsTheZone_data() {
        QTest::addColumn<QPointF>("at");
        QTest::addColumn<int>("shape");
        QTest::newRow("gear") << QPointF(18, 5) << int(Qt::PointingHandCursor);
        QTest::newRow("close") << QPointF(362, 18) << int(Qt::PointingHandCursor);
        QTest::newRow("left edge") << QPointF(2, 85) << int(Qt::SizeHorCursor);
        QTest::newRow("right edge") << QPointF(378, 85) << int(Qt::SizeHorCursor);
        QTest::newRow("top band at the gear") << QPointF(18, 2) << int(Qt::SizeVerCursor);
        QTest::newRow("bottom edge") << QPointF(190, 167) << int(Qt::SizeVerCursor);
        QTest::newRow("grip") << QPointF(370, 160) << int(Qt::SizeFDiagCursor);
        QTest::newRow("top-left corner") << QPointF(2, 2) << int(Qt::SizeFDiagCursor);
        QTest::newRow("top-right corner") << QPointF(378, 2) << int(Qt::SizeBDiagCursor);
        QTest::newRow("bottom-left corner") << QPointF(2, 168) << int(Qt::SizeBDiagCursor);
        QTest::newRow("interior") << QPointF(190, 85) << int(Qt::OpenHandCursor);
    }

    void cursorFollowsTheZone() {
        QFETCH(QPointF, at);
        QFETCH(int, shape);
        const auto wired = wiredPanel();
        OverlayHostingView* view = wired->panel->hostingView();
        QVERIFY(view->hasMouseTracking());
        hover(view, at);
        QCOMPARE(int(view->cursor().shape()), shape);
        QEvent leave(QEvent::Leave);
        QCoreApplication::sendEvent(view, &leave);
        QCOMPARE(view->cursor().shape(), Qt::ArrowCursor);
    }

    void iconsClickBeforeEdges() {
        const auto wired = wiredPanel();
        OverlayHostingView* view = wired->panel->hostingView();
        // 5 points from the top on the gear: a click, not a resize of the top edge.
        drag(view, QPointF(18, 5), QPointF(0, -40));
        QCOMPARE(wired->gear, 1);
        QCOMPARE(wired->frameChanged, 0);
        QCOMPARE(wired->panel->geometry(), QRect(100, 100, 380, 170));
        drag(view, QPointF(362, 18), QPointF(0, 0));
        QCOMPARE(wired->close, 1);
        // Only the primary button clicks.
        send(view, QEvent::MouseButtonPress, view->mapToGlobal(QPointF(18, 10)), Qt::RightButton,
             Qt::RightButton);
        QCOMPARE(wired->gear, 1);
        // Without receivers nothing happens.
        QObject::disconnect(view, &OverlayHostingView::gearClicked, nullptr, nullptr);
        drag(view, QPointF(18, 10), QPointF(0, 0));
    }

    void edgesResizeFromTheStartFrame_data() {
        QTest::addColumn<QPointF>("from");
        QTest::addColumn<QPointF>("by");
        QTest::addColumn<QRect>("frame");
        // The panel starts at (100, 100), 380 × 170: right edge 480, bottom 270.
        QTest::newRow("left edge, 2 points in, outwards")
            << QPointF(2, 85) << QPointF(-50, 13) << QRect(50, 100, 430, 170);
        QTest::newRow("left edge beyond the minimum keeps the right edge")
            << QPointF(2, 85) << QPointF(400, 0) << QRect(330, 100, 150, 170);
        QTest::newRow("right edge")
            << QPointF(378, 85) << QPointF(40, -9) << QRect(100, 100, 420, 170);
        QTest::newRow("top band at the gear, upwards")
            << QPointF(18, 2) << QPointF(0, -30) << QRect(100, 70, 380, 200);
        QTest::newRow("top edge beyond the minimum keeps the bottom edge")
            << QPointF(190, 2) << QPointF(0, 300) << QRect(100, 200, 380, 70);
        QTest::newRow("bottom edge")
            << QPointF(190, 167) << QPointF(0, 25) << QRect(100, 100, 380, 195);
        QTest::newRow("bottom edge up beyond the minimum keeps the top edge")
            << QPointF(190, 167) << QPointF(0, -300) << QRect(100, 100, 380, 70);
        QTest::newRow("grip resizes both")
            << QPointF(370, 160) << QPointF(30, 20) << QRect(100, 100, 410, 190);
        QTest::newRow("grip down to both minimums")
            << QPointF(370, 160) << QPointF(-500, -500) << QRect(100, 100, 150, 70);
    }

    void edgesResizeFromTheStartFrame() {
        QFETCH(QPointF, from);
        QFETCH(QPointF, by);
        QFETCH(QRect, frame);
        const auto wired = wiredPanel();
        OverlayHostingView* view = wired->panel->hostingView();
        drag(view, from, by);
        QCOMPARE(wired->panel->geometry(), frame);
        QCOMPARE(wired->frameChanged, 1);
        QVERIFY(!view->isResizing());
        // The overlay view fills the window at its new size.
        QCOMPARE(view->view()->size(), frame.size());
        QCOMPARE(wired->gear + wired->close, 0);
    }

    void resizeThroughTheWindowSystemsEvents() {
        const auto wired = wiredPanel();
        OverlayHostingView* view = wired->panel->hostingView();
        QVERIFY(QTest::qWaitForWindowExposed(wired->panel.get()));
        // The left edge, pressed and dragged through Qt's own event delivery.
        const QPoint start = view->mapToGlobal(QPoint(2, 85));
        QTest::mousePress(view, Qt::LeftButton, {}, QPoint(2, 85));
        QVERIFY(view->isResizing());
        for (const int dx : {-10, -25, -40}) {
            QTest::mouseMove(view, view->mapFromGlobal(start + QPoint(dx, 0)));
            QTRY_COMPARE(wired->panel->geometry().x(), 100 + dx);
            QCOMPARE(wired->panel->geometry().right(), 479);
        }
        QTest::mouseRelease(view, Qt::LeftButton, {}, view->mapFromGlobal(start + QPoint(-40, 0)));
        QVERIFY(!view->isResizing());
        QCOMPARE(wired->frameChanged, 1);
        QCOMPARE(wired->panel->geometry(), QRect(60, 100, 420, 170));
    }

    void interiorDragsTheWindow() {
        const auto wired = wiredPanel();
        OverlayHostingView* view = wired->panel->hostingView();
        const QPointF start = view->mapToGlobal(QPointF(190, 85));
        send(view, QEvent::MouseButtonPress, start, Qt::LeftButton, Qt::LeftButton);
        // The offscreen platform has no window-system move; the view moves the window itself.
        QVERIFY(view->isMoving());
        QCOMPARE(view->cursor().shape(), Qt::ClosedHandCursor);
        send(view, QEvent::MouseMove, start + QPointF(30, 40), Qt::NoButton, Qt::LeftButton);
        QCOMPARE(wired->panel->geometry(), QRect(130, 140, 380, 170));
        QCOMPARE(wired->frameChanged, 0);
        send(view, QEvent::MouseButtonRelease, start + QPointF(30, 40), Qt::LeftButton,
             Qt::NoButton);
        QVERIFY(!view->isMoving());
        QCOMPARE(wired->frameChanged, 1);
        QCOMPARE(view->cursor().shape(), Qt::OpenHandCursor);
    }
};

KALVANE_TEST_MAIN_GUI(OverlayPanelTest)
#include "OverlayPanelTest.moc"
