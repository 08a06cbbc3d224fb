#include "platform/OverlayWindowPlatform.h"

#include "platform/linux/X11CardShape.h"
#include "platform/linux/X11StackingWatcher.h"

#include <QGuiApplication>
#include <QWidget>
#include <QtGui/qguiapplication_platform.h>

#include <xcb/xcb.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <vector>

// The timer window on X11 (and on XWayland). Qt's flags already make it a utility window that
// stays above others (_NET_WM_STATE_ABOVE), never takes the input focus (WM_HINTS.input =
// False) and shows without activation (_NET_WM_USER_TIME = 0).
//
// Standard window managers keep a focused full-screen window above "above" windows, so the
// card is an unmanaged (override-redirect) window on X11: no window manager stacks, places,
// decorates or focuses it, it shows on every desktop and in no taskbar or pager. The card
// moves and resizes itself and a stacking watcher raises it whenever a managed window covers
// it. A window without the bypass flag still gets the managed window's settings: every
// desktop, no taskbar entry, no pager entry.
//
// Everything is set once per native window; on later calls nothing is written, so a card
// that is shown on every tick costs the window manager nothing.
namespace {

// _NET_WM_STATE client message actions.
constexpr uint32_t netWmStateAdd = 1;
// _NET_WM_DESKTOP value for "on all desktops".
constexpr uint32_t allDesktops = 0xFFFFFFFF;

xcb_connection_t* x11Connection() {
    const auto* x11 =
        qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->connection() : nullptr;
}

xcb_atom_t atom(xcb_connection_t* connection, const char* name) {
    const xcb_intern_atom_cookie_t cookie =
        xcb_intern_atom(connection, 0, uint16_t(std::strlen(name)), name);
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(connection, cookie, nullptr);
    const xcb_atom_t result = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    std::free(reply);
    return result;
}

struct Atoms {
    xcb_atom_t state = XCB_ATOM_NONE;
    xcb_atom_t desktop = XCB_ATOM_NONE;
    std::array<xcb_atom_t, 4> states{};
};

const Atoms& atoms(xcb_connection_t* connection) {
    static const Atoms cached = [connection] {
        Atoms a;
        a.state = atom(connection, "_NET_WM_STATE");
        a.desktop = atom(connection, "_NET_WM_DESKTOP");
        a.states = {atom(connection, "_NET_WM_STATE_SKIP_TASKBAR"),
                    atom(connection, "_NET_WM_STATE_SKIP_PAGER"),
                    atom(connection, "_NET_WM_STATE_STICKY"),
                    atom(connection, "_NET_WM_STATE_ABOVE")};
        return a;
    }();
    return cached;
}

xcb_window_t rootOf(xcb_connection_t* connection, xcb_window_t window) {
    xcb_get_geometry_reply_t* geometry =
        xcb_get_geometry_reply(connection, xcb_get_geometry(connection, window), nullptr);
    const xcb_window_t root = geometry ? geometry->root : xcb_window_t(XCB_WINDOW_NONE);
    std::free(geometry);
    return root;
}

bool isMapped(xcb_connection_t* connection, xcb_window_t window) {
    xcb_get_window_attributes_reply_t* attributes = xcb_get_window_attributes_reply(
        connection, xcb_get_window_attributes(connection, window), nullptr);
    const bool mapped = attributes && attributes->map_state != XCB_MAP_STATE_UNMAPPED;
    std::free(attributes);
    return mapped;
}

void sendToRoot(xcb_connection_t* connection, xcb_window_t root, xcb_window_t window,
                xcb_atom_t type, std::array<uint32_t, 5> data) {
    xcb_client_message_event_t event{};
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = window;
    event.type = type;
    for (size_t i = 0; i < data.size(); ++i)
        event.data.data32[i] = data[i];
    xcb_send_event(connection, 0, root,
                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&event));
}

// Before the first map the window manager reads the properties themselves. Qt merges its own
// states into what it finds when it maps the window, so ours survive.
void setUnmappedProperties(xcb_connection_t* connection, xcb_window_t window, const Atoms& a) {
    std::vector<xcb_atom_t> states;
    xcb_get_property_reply_t* current = xcb_get_property_reply(
        connection, xcb_get_property(connection, 0, window, a.state, XCB_ATOM_ATOM, 0, 1024),
        nullptr);
    if (current && current->format == 32 && current->type == XCB_ATOM_ATOM) {
        const auto* values = static_cast<const xcb_atom_t*>(xcb_get_property_value(current));
        states.assign(values, values + xcb_get_property_value_length(current) / 4);
    }
    std::free(current);
    for (const xcb_atom_t wanted : a.states)
        if (wanted != XCB_ATOM_NONE &&
            std::find(states.begin(), states.end(), wanted) == states.end())
            states.push_back(wanted);
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, window, a.state, XCB_ATOM_ATOM, 32,
                        uint32_t(states.size()), states.data());
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, window, a.desktop, XCB_ATOM_CARDINAL, 32,
                        1, &allDesktops);
}

// A mapped window belongs to the window manager: ask it through the root window.
void requestMappedStates(xcb_connection_t* connection, xcb_window_t window, const Atoms& a) {
    const xcb_window_t root = rootOf(connection, window);
    if (root == XCB_WINDOW_NONE)
        return;
    // Source indication 1: a normal application.
    sendToRoot(connection, root, window, a.state, {netWmStateAdd, a.states[0], a.states[1], 1, 0});
    sendToRoot(connection, root, window, a.state, {netWmStateAdd, a.states[2], a.states[3], 1, 0});
    sendToRoot(connection, root, window, a.desktop, {allDesktops, 1, 0, 0, 0});
}

bool bypassesWindowManager(const QWidget* window) {
    return window->windowFlags().testFlag(Qt::X11BypassWindowManagerHint);
}

// The native window the settings were last written to, kept on the window itself.
constexpr char configuredProperty[] = "_klv_configuredWinId";

class X11OverlayWindowPlatform final : public OverlayWindowPlatform {
public:
    Capabilities capabilities() const override {
        Capabilities capabilities;
        const bool x11 = x11Connection() != nullptr;
        capabilities.aboveFullScreen = x11;
        capabilities.allDesktops = x11;
        capabilities.neverActivates = x11;
        return capabilities;
    }

    void configureOverlayWindow(QWidget* window, const OutlineCard& outlineCard) override {
        xcb_connection_t* connection = x11Connection();
        if (!connection || !window)
            return;
        const auto id = xcb_window_t(window->winId());
        if (window->property(configuredProperty).toULongLong() == id)
            return;
        window->setProperty(configuredProperty, qulonglong(id));
        if (bypassesWindowManager(window)) {
            if (!window->findChild<X11StackingWatcher*>()) {
                auto* watcher = new X11StackingWatcher(window);
                auto* shape =
                    new X11CardShape(window, [watcher] { return watcher->compositorActive(); });
                QObject::connect(shape, &X11CardShape::shapedChanged, window, outlineCard);
                QObject::connect(watcher, &X11StackingWatcher::windowsCreatedOrDestroyed, shape,
                                 &X11CardShape::update);
                shape->update();
            }
            return;
        }
        const Atoms& a = atoms(connection);
        if (isMapped(connection, id))
            requestMappedStates(connection, id, a);
        else
            setUnmappedProperties(connection, id, a);
        xcb_flush(connection);
    }

    void orderFront(QWidget* window) override {
        xcb_connection_t* connection = x11Connection();
        if (!connection || !window || !window->isVisible())
            return;
        // An unmanaged window is mapped on top of everything, and its watcher raises it
        // again when something covers it: nothing to do while it is shown.
        const auto* watcher = window->findChild<X11StackingWatcher*>();
        if (watcher && watcher->isConnected())
            return;
        // Restacking asks for no focus, unlike an activation request.
        const uint32_t above = XCB_STACK_MODE_ABOVE;
        xcb_configure_window(connection, xcb_window_t(window->winId()),
                             XCB_CONFIG_WINDOW_STACK_MODE, &above);
        xcb_flush(connection);
    }

    bool setCaptureExcluded(QWidget*, bool) override {
        // X11 has no way to keep a window out of screen captures.
        return false;
    }
};

} // namespace

std::unique_ptr<OverlayWindowPlatform> createNativeOverlayWindowPlatform() {
    return std::make_unique<X11OverlayWindowPlatform>();
}
