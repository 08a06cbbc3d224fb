// The timer card on a real X server under a real window manager (run-under-wm.sh starts
// both): a focused full-screen window is up, the card is shown, the focus goes back to the
// full-screen window, and everything is checked from the X server's side through a
// connection of the test's own, as another client would see it.

#include "overlay/OverlayHostingView.h"
#include "overlay/OverlayModel.h"
#include "overlay/OverlayPanel.h"
#include "overlay/OverlayView.h"
#include "settings/SettingsStore.h"
#include "support/TestMain.h"

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <xcb/xcb.h>
#include <xcb/xtest.h>

#include <cstdlib>
#include <cstring>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

struct FreeDeleter {
    void operator()(void* p) const { std::free(p); }
};
template <typename T>
using Reply = std::unique_ptr<T, FreeDeleter>;

const QColor slideColour(0, 0, 255);

// What another client sees and does: its own connection, its own event mask.
class Observer {
public:
    Observer() {
        int screen = 0;
        c = xcb_connect(nullptr, &screen);
        xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(c));
        for (int i = 0; i < screen; ++i)
            xcb_screen_next(&it);
        root = it.data->root;
    }
    ~Observer() { xcb_disconnect(c); }

    xcb_atom_t atom(const char* name) const {
        const Reply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(
            c, xcb_intern_atom(c, 0, uint16_t(std::strlen(name)), name), nullptr));
        return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    }

    xcb_window_t windowProperty(xcb_window_t window, const char* name) const {
        const Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(
            c, xcb_get_property(c, 0, window, atom(name), XCB_ATOM_WINDOW, 0, 1), nullptr));
        if (!reply || xcb_get_property_value_length(reply.get()) < 4)
            return XCB_WINDOW_NONE;
        return *static_cast<const xcb_window_t*>(xcb_get_property_value(reply.get()));
    }

    bool hasProperty(xcb_window_t window, const char* name) const {
        const Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(
            c, xcb_get_property(c, 0, window, atom(name), XCB_ATOM_ANY, 0, 1), nullptr));
        return reply && reply->type != XCB_ATOM_NONE;
    }

    xcb_window_t activeWindow() const { return windowProperty(root, "_NET_ACTIVE_WINDOW"); }

    bool compositorActive() const {
        const Reply<xcb_get_selection_owner_reply_t> owner(xcb_get_selection_owner_reply(
            c, xcb_get_selection_owner(c, atom("_NET_WM_CM_S0")), nullptr));
        return owner && owner->owner != XCB_WINDOW_NONE;
    }

    // The topmost viewable root child, managed or not.
    xcb_window_t topmost() const {
        const Reply<xcb_query_tree_reply_t> tree(
            xcb_query_tree_reply(c, xcb_query_tree(c, root), nullptr));
        const xcb_window_t* children = xcb_query_tree_children(tree.get());
        for (int i = xcb_query_tree_children_length(tree.get()) - 1; i >= 0; --i) {
            const Reply<xcb_get_window_attributes_reply_t> attributes(
                xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, children[i]),
                                                nullptr));
            if (attributes && attributes->map_state == XCB_MAP_STATE_VIEWABLE &&
                attributes->_class == XCB_WINDOW_CLASS_INPUT_OUTPUT)
                return children[i];
        }
        return XCB_WINDOW_NONE;
    }

    // The screen's pixels in a rectangle of the root window.
    QImage grab(const QRect& area) const {
        const Reply<xcb_get_image_reply_t> image(xcb_get_image_reply(
            c,
            xcb_get_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, root, int16_t(area.x()), int16_t(area.y()),
                          uint16_t(area.width()), uint16_t(area.height()), ~0u),
            nullptr));
        if (!image || xcb_get_image_data_length(image.get()) < area.width() * area.height() * 4)
            return {};
        QImage result(area.size(), QImage::Format_RGB32);
        const uint8_t* data = xcb_get_image_data(image.get());
        for (int y = 0; y < area.height(); ++y)
            std::memcpy(result.scanLine(y), data + y * area.width() * 4, size_t(area.width()) * 4);
        return result;
    }

    bool isViewable(xcb_window_t window) const {
        const Reply<xcb_get_window_attributes_reply_t> attributes(
            xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, window), nullptr));
        return attributes && attributes->map_state == XCB_MAP_STATE_VIEWABLE;
    }

    // The windows a taskbar or pager lists.
    QList<xcb_window_t> clientList() const {
        const Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(
            c, xcb_get_property(c, 0, root, atom("_NET_CLIENT_LIST"), XCB_ATOM_WINDOW, 0, 1024),
            nullptr));
        if (!reply)
            return {};
        const auto* windows = static_cast<const xcb_window_t*>(xcb_get_property_value(reply.get()));
        return QList<xcb_window_t>(windows,
                                   windows + xcb_get_property_value_length(reply.get()) / 4);
    }

    void sendToRoot(xcb_window_t window, const char* type, uint32_t first) const {
        xcb_client_message_event_t event{};
        event.response_type = XCB_CLIENT_MESSAGE;
        event.format = 32;
        event.window = window;
        event.type = atom(type);
        event.data.data32[0] = first;
        xcb_send_event(c, 0, root,
                       XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                       reinterpret_cast<const char*>(&event));
        xcb_flush(c);
    }

    // From a pager, as a user's choice.
    void activate(xcb_window_t window) const { sendToRoot(window, "_NET_ACTIVE_WINDOW", 2); }

    // Real pointer input through the XTEST extension, as a mouse would give it.
    void pointer(uint8_t type, QPoint at = {}, uint8_t button = 1) const {
        if (type == XCB_MOTION_NOTIFY)
            xcb_test_fake_input(c, type, 0, XCB_CURRENT_TIME, root, int16_t(at.x()),
                                int16_t(at.y()), 0);
        else
            xcb_test_fake_input(c, type, button, XCB_CURRENT_TIME, XCB_WINDOW_NONE, 0, 0, 0);
        xcb_flush(c);
        QTest::qWait(40);
    }

    // Whether some client holds the pointer: then nobody else can grab it.
    bool pointerGrabbedElsewhere() const {
        const Reply<xcb_grab_pointer_reply_t> grab(xcb_grab_pointer_reply(
            c,
            xcb_grab_pointer(c, 0, root, XCB_EVENT_MASK_BUTTON_PRESS, XCB_GRAB_MODE_ASYNC,
                             XCB_GRAB_MODE_ASYNC, XCB_WINDOW_NONE, XCB_CURSOR_NONE,
                             XCB_CURRENT_TIME),
            nullptr));
        const bool free = grab && grab->status == XCB_GRAB_STATUS_SUCCESS;
        if (free)
            xcb_ungrab_pointer(c, XCB_CURRENT_TIME);
        xcb_flush(c);
        return !free;
    }

    // Counts what the window manager and the card change while `during` runs.
    struct Churn {
        int rootStackingOrFocus = 0; // _NET_ACTIVE_WINDOW, _NET_CLIENT_LIST_STACKING
        int cardProperties = 0;
        int restacks = 0; // configure events of the root's children
    };
    Churn watch(xcb_window_t card, int milliseconds) const {
        const uint32_t rootMask =
            XCB_EVENT_MASK_PROPERTY_CHANGE | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
        const uint32_t cardMask = XCB_EVENT_MASK_PROPERTY_CHANGE;
        xcb_change_window_attributes(c, root, XCB_CW_EVENT_MASK, &rootMask);
        xcb_change_window_attributes(c, card, XCB_CW_EVENT_MASK, &cardMask);
        xcb_flush(c);
        const xcb_atom_t active = atom("_NET_ACTIVE_WINDOW");
        const xcb_atom_t stacking = atom("_NET_CLIENT_LIST_STACKING");
        Churn churn;
        QTest::qWait(milliseconds);
        xcb_aux_sync();
        while (xcb_generic_event_t* event = xcb_poll_for_event(c)) {
            const int type = event->response_type & 0x7f;
            if (type == XCB_PROPERTY_NOTIFY) {
                const auto* property = reinterpret_cast<xcb_property_notify_event_t*>(event);
                if (property->window == card)
                    ++churn.cardProperties;
                else if (property->atom == active || property->atom == stacking)
                    ++churn.rootStackingOrFocus;
            } else if (type == XCB_CONFIGURE_NOTIFY) {
                ++churn.restacks;
            }
            std::free(event);
        }
        const uint32_t none = 0;
        xcb_change_window_attributes(c, root, XCB_CW_EVENT_MASK, &none);
        xcb_change_window_attributes(c, card, XCB_CW_EVENT_MASK, &none);
        xcb_flush(c);
        return churn;
    }

    xcb_connection_t* c = nullptr;
    xcb_window_t root = XCB_WINDOW_NONE;

private:
    void xcb_aux_sync() const {
        std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
    }
};

int countColour(const QImage& image, const QRect& area, const QColor& colour) {
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            count += QColor(image.pixel(x, y)).rgb() == colour.rgb();
    return count;
}

int countBright(const QImage& image) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            count += qGray(image.pixel(x, y)) > 140;
    return count;
}

} // namespace

class CardStackingTest : public QObject {
    Q_OBJECT

private:
    Observer m_x;
    QWidget m_slides;
    OverlayModel m_model;
    SettingsStore m_settings;
    std::unique_ptr<OverlayPanel> m_card;
    QTimer m_tick;
    int m_seconds = 0;
    QString m_wm = qEnvironmentVariable("KLV_TEST_WM");

    xcb_window_t slides() const { return xcb_window_t(m_slides.winId()); }
    xcb_window_t card() const { return xcb_window_t(m_card->winId()); }

    void snapshot(const QString& name) const {
        const QString folder = qEnvironmentVariable("KALVANE_SNAPSHOT_DIR");
        if (!folder.isEmpty())
            m_x.grab(QRect(0, 0, 1280, 800))
                .save(QDir(folder).filePath(u"%1-%2.png"_s.arg(m_wm, name)));
    }

    // The focus is back on the slides and the card lies above them.
    bool settled() const { return m_x.activeWindow() == slides() && m_x.topmost() == card(); }

private Q_SLOTS:
    void initTestCase() {
        QVERIFY2(QGuiApplication::platformName() == u"xcb"_s, "run through run-under-wm.sh");
        // The window manager announces itself on the root window once it runs.
        QTRY_VERIFY_WITH_TIMEOUT(
            m_x.windowProperty(m_x.root, "_NET_SUPPORTING_WM_CHECK") != XCB_WINDOW_NONE, 10000);
        // The work area comes last in its start-up; from then on it manages new windows.
        QTRY_VERIFY_WITH_TIMEOUT(m_x.hasProperty(m_x.root, "_NET_WORKAREA"), 10000);

        // The presentation: a plain blue full-screen window with the focus.
        QPalette palette;
        palette.setColor(QPalette::Window, slideColour);
        m_slides.setPalette(palette);
        m_slides.setAutoFillBackground(true);
        m_slides.showFullScreen();
        QVERIFY(QTest::qWaitForWindowExposed(&m_slides, 10000));
        QTRY_COMPARE_WITH_TIMEOUT(m_x.activeWindow(), slides(), 5000);
        QTRY_COMPARE(m_slides.geometry(), QRect(0, 0, 1280, 800));

        TimerDisplay display = TimerDisplay::initial();
        display.caption = u"Keynote"_s;
        display.time = u"12:34"_s;
        display.tone = Tone::running;
        display.progress = 0.5;
        m_model.setDisplay(display);
        // The controller's tick: a new record and a show request four times a second.
        m_tick.setInterval(250);
        connect(&m_tick, &QTimer::timeout, this, [this] {
            TimerDisplay d = m_model.display();
            d.time = u"12:%1"_s.arg(++m_seconds / 4 % 60, 2, 10, QChar(u'0'));
            d.progress = (m_seconds % 100) / 100.0;
            m_model.setDisplay(d);
            m_card->showPanel();
        });
    }

    void init() {
        SettingsStore().setString(SettingsKey::overlayFrame, u"840,60,380,170"_s);
        m_card = std::make_unique<OverlayPanel>(&m_model, m_settings);
        m_card->showPanel();
        m_tick.start();
        QVERIFY(QTest::qWaitForWindowExposed(m_card.get()));
    }

    void cleanup() {
        m_tick.stop();
        m_card.reset();
    }

    void staysAboveTheFocusedFullScreenWindowWithoutChurn() {
        // The presentation takes the focus back, and its window manager raises it.
        m_x.activate(slides());
        QTRY_VERIFY_WITH_TIMEOUT(settled(), 5000);
        QTest::qWait(300);
        QVERIFY(settled());
        snapshot(u"card-above-slides"_s);

        const QRect frame = m_card->geometry();
        QCOMPARE(frame, QRect(840, 60, 380, 170));
        const QImage seen = m_x.grab(frame);
        // Inside the rounded corners the card hides the slide; its texts show.
        QCOMPARE(countColour(seen, seen.rect().adjusted(24, 24, -24, -24), slideColour), 0);
        QVERIFY(countBright(seen) > 100);
        if (!m_x.compositorActive()) {
            // No alpha channel: the corners are cut away and the slide shows there.
            QCOMPARE(QColor(seen.pixel(0, 0)), slideColour);
            QCOMPARE(QColor(seen.pixel(frame.width() - 1, frame.height() - 1)), slideColour);
        }

        // Steady: the ticks go on, and nobody restacks, refocuses or rewrites anything.
        const Observer::Churn churn = m_x.watch(card(), 2500);
        QCOMPARE(churn.rootStackingOrFocus, 0);
        QCOMPARE(churn.cardProperties, 0);
        QCOMPARE(churn.restacks, 0);
        QVERIFY(settled());
    }

    void comesBackAboveAWindowOpenedOverIt() {
        QWidget other;
        other.setGeometry(m_card->geometry().adjusted(-50, -20, 50, 20));
        other.show();
        QVERIFY(QTest::qWaitForWindowExposed(&other, 10000));
        QTRY_VERIFY_WITH_TIMEOUT(m_x.activeWindow() == xcb_window_t(other.winId()), 5000);
        QTRY_COMPARE(m_x.topmost(), card());
    }

    void showsOnEveryDesktopAndInNoTaskbar() {
        QVERIFY(!m_x.clientList().isEmpty());
        QVERIFY(!m_x.clientList().contains(card()));
        // To the second desktop: the slides stay behind, the card comes along.
        m_x.sendToRoot(m_x.root, "_NET_CURRENT_DESKTOP", 1);
        QTRY_VERIFY_WITH_TIMEOUT(!m_x.isViewable(slides()), 5000);
        QVERIFY(m_x.isViewable(card()));
        m_x.sendToRoot(m_x.root, "_NET_CURRENT_DESKTOP", 0);
        QTRY_VERIFY_WITH_TIMEOUT(m_x.isViewable(slides()), 5000);
        QVERIFY(m_x.isViewable(card()));
    }

    void followsACompositorThatComesAndGoes() {
        if (m_x.compositorActive())
            QSKIP("a compositor runs already");
        m_x.activate(slides());
        QTRY_VERIFY_WITH_TIMEOUT(settled(), 5000);
        const QPoint corner = m_card->geometry().topLeft();
        const auto cornerPixel = [&] {
            return QColor(m_x.grab(QRect(corner, QSize(1, 1))).pixel(0, 0));
        };
        QCOMPARE(cornerPixel(), slideColour);
        // Cut to its shape, the card draws the line that keeps its edge visible.
        QVERIFY(m_card->view()->isOutlined());

        // A compositing manager announces itself by owning the selection with a window of
        // its own; this one composites nothing, so the card's now unmasked corners show black.
        const xcb_window_t owner = xcb_generate_id(m_x.c);
        xcb_create_window(m_x.c, XCB_COPY_FROM_PARENT, owner, m_x.root, -10, -10, 1, 1, 0,
                          XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, 0, nullptr);
        xcb_set_selection_owner(m_x.c, owner, m_x.atom("_NET_WM_CM_S0"), XCB_CURRENT_TIME);
        xcb_flush(m_x.c);
        QTRY_COMPARE(cornerPixel(), QColor(Qt::black));
        QVERIFY(!m_card->view()->isOutlined());

        // It goes: the corners are cut away again.
        xcb_destroy_window(m_x.c, owner);
        xcb_flush(m_x.c);
        QTRY_COMPARE(cornerPixel(), slideColour);
        QVERIFY(m_card->view()->isOutlined());
    }

    void clicksDragsAndResizesLeaveTheFocusAlone() {
        m_x.activate(slides());
        QTRY_VERIFY_WITH_TIMEOUT(settled(), 5000);
        const QRect start = m_card->geometry();
        int frameChanges = 0;
        QObject::connect(m_card->hostingView(), &OverlayHostingView::frameChanged, [&] {
            ++frameChanges;
            m_card->saveFrame();
        });

        // A click that does not move: nothing moves, and nothing keeps the pointer.
        const QPoint inside = start.topLeft() + QPoint(190, 100);
        m_x.pointer(XCB_MOTION_NOTIFY, inside);
        m_x.pointer(XCB_BUTTON_PRESS);
        m_x.pointer(XCB_BUTTON_RELEASE);
        QCOMPARE(m_card->geometry(), start);
        QVERIFY(!m_x.pointerGrabbedElsewhere());
        QCOMPARE(m_x.activeWindow(), slides());

        // A drag moves the card with the pointer and stores the new frame.
        m_x.pointer(XCB_BUTTON_PRESS);
        m_x.pointer(XCB_MOTION_NOTIFY, inside + QPoint(-60, 30));
        m_x.pointer(XCB_MOTION_NOTIFY, inside + QPoint(-300, 200));
        m_x.pointer(XCB_BUTTON_RELEASE);
        const QRect moved = start.translated(-300, 200);
        QTRY_COMPARE(m_card->geometry(), moved);
        QVERIFY(!m_x.pointerGrabbedElsewhere());
        QCOMPARE(SettingsStore().stringValue(SettingsKey::overlayFrame),
                 OverlayPanel::encodeFrame(moved));

        // The grip resizes both ways, the top-left corner staying put.
        const QPoint grip = moved.bottomRight() - QPoint(9, 9);
        m_x.pointer(XCB_MOTION_NOTIFY, grip);
        m_x.pointer(XCB_BUTTON_PRESS);
        m_x.pointer(XCB_MOTION_NOTIFY, grip + QPoint(40, 30));
        m_x.pointer(XCB_BUTTON_RELEASE);
        QTRY_COMPARE(m_card->geometry(), moved.adjusted(0, 0, 40, 30));
        QCOMPARE(m_card->hostingView()->cursor().shape(), Qt::SizeFDiagCursor);
        QVERIFY(frameChanges >= 2);

        // Through all of it the slides kept the focus and the card stayed above them.
        QCOMPARE(m_x.activeWindow(), slides());
        QVERIFY(settled());
        snapshot(u"card-moved"_s);
    }
};

KALVANE_TEST_MAIN_GUI(CardStackingTest)
#include "CardStackingTest.moc"
