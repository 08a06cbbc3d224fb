#include "platform/linux/PresentationWindows.h"

#include "platform/linux/X11Connection.h"

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

using X11::intern;
using X11::Reply;

xcb_get_property_cookie_t request(xcb_connection_t* connection, xcb_window_t window,
                                  xcb_atom_t property, xcb_atom_t type) {
    // 64 KiB of any property is more than a title or class ever needs.
    return xcb_get_property(connection, 0, window, property, type, 0, 16384);
}

Reply<xcb_get_property_reply_t> answer(xcb_connection_t* connection,
                                       xcb_get_property_cookie_t cookie) {
    return Reply<xcb_get_property_reply_t>(xcb_get_property_reply(connection, cookie, nullptr));
}

QByteArray bytes(const xcb_get_property_reply_t* reply) {
    if (!reply || reply->format != 8)
        return {};
    return QByteArray(static_cast<const char*>(xcb_get_property_value(reply)),
                      xcb_get_property_value_length(reply));
}

} // namespace

struct X11Windows::Connection {
    xcb_connection_t* connection = nullptr;
    xcb_window_t root = XCB_NONE;
    xcb_atom_t clientList = XCB_ATOM_NONE;
    xcb_atom_t pid = XCB_ATOM_NONE;
    xcb_atom_t name = XCB_ATOM_NONE;
    xcb_atom_t utf8 = XCB_ATOM_NONE;
    xcb_atom_t state = XCB_ATOM_NONE;
    xcb_atom_t fullScreen = XCB_ATOM_NONE;
    xcb_atom_t activeWindow = XCB_ATOM_NONE;
};

X11Windows::X11Windows()
    : m_x(new Connection) {
    const X11::Display display = X11::open();
    xcb_connection_t* connection = display.connection;
    if (!connection)
        return;
    m_x->connection = connection;
    m_x->root = display.root;
    m_x->clientList = intern(connection, "_NET_CLIENT_LIST");
    m_x->pid = intern(connection, "_NET_WM_PID");
    m_x->name = intern(connection, "_NET_WM_NAME");
    m_x->utf8 = intern(connection, "UTF8_STRING");
    m_x->state = intern(connection, "_NET_WM_STATE");
    m_x->fullScreen = intern(connection, "_NET_WM_STATE_FULLSCREEN");
    m_x->activeWindow = intern(connection, "_NET_ACTIVE_WINDOW");
}

X11Windows::~X11Windows() {
    if (m_x->connection)
        xcb_disconnect(m_x->connection);
    delete m_x;
}

QList<TopLevelWindow> X11Windows::list() {
    xcb_connection_t* connection = m_x->connection;
    if (!connection || xcb_connection_has_error(connection))
        return {};
    const Reply<xcb_get_property_reply_t> clients =
        answer(connection, request(connection, m_x->root, m_x->clientList, XCB_ATOM_WINDOW));
    if (!clients || clients->format != 32)
        return {};
    const auto* ids = static_cast<const xcb_window_t*>(xcb_get_property_value(clients.get()));
    const int count = xcb_get_property_value_length(clients.get()) / 4;

    struct Cookies {
        xcb_get_property_cookie_t pid, name, legacyName, windowClass, state;
    };
    // Ask for everything first and read the answers after: one round trip, not five per window.
    QList<Cookies> cookies;
    cookies.reserve(count);
    for (int i = 0; i < count; ++i)
        cookies.append({request(connection, ids[i], m_x->pid, XCB_ATOM_CARDINAL),
                        request(connection, ids[i], m_x->name, m_x->utf8),
                        request(connection, ids[i], XCB_ATOM_WM_NAME, XCB_ATOM_ANY),
                        request(connection, ids[i], XCB_ATOM_WM_CLASS, XCB_ATOM_STRING),
                        request(connection, ids[i], m_x->state, XCB_ATOM_ATOM)});

    QList<TopLevelWindow> windows;
    windows.reserve(count);
    for (int i = 0; i < count; ++i) {
        TopLevelWindow window;
        window.id = ids[i];
        if (const auto pid = answer(connection, cookies[i].pid);
            pid && pid->format == 32 && xcb_get_property_value_length(pid.get()) >= 4)
            window.pid = *static_cast<const quint32*>(xcb_get_property_value(pid.get()));
        const auto name = answer(connection, cookies[i].name);
        const auto legacyName = answer(connection, cookies[i].legacyName);
        window.title = QString::fromUtf8(bytes(name.get()));
        if (window.title.isEmpty())
            window.title = QString::fromLatin1(bytes(legacyName.get()));
        // WM_CLASS holds two NUL-terminated texts: the instance name, then the class name.
        const QList<QByteArray> parts =
            bytes(answer(connection, cookies[i].windowClass).get()).split('\0');
        window.instanceName = QString::fromLatin1(parts.value(0));
        window.className = QString::fromLatin1(parts.value(1));
        if (const auto state = answer(connection, cookies[i].state); state && state->format == 32) {
            const auto* atoms = static_cast<const xcb_atom_t*>(xcb_get_property_value(state.get()));
            for (int k = 0; k < xcb_get_property_value_length(state.get()) / 4; ++k)
                window.fullScreen = window.fullScreen || atoms[k] == m_x->fullScreen;
        }
        windows.append(window);
    }
    return windows;
}

bool X11Windows::activate(quint32 window) {
    xcb_connection_t* connection = m_x->connection;
    if (!connection || xcb_connection_has_error(connection) || m_x->activeWindow == XCB_ATOM_NONE)
        return false;
    xcb_client_message_event_t event{};
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = window;
    event.type = m_x->activeWindow;
    event.data.data32[0] = 2; // source: a pager, acting on the user's behalf
    event.data.data32[1] = XCB_CURRENT_TIME;
    xcb_send_event(connection, 0, m_x->root,
                   XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT,
                   reinterpret_cast<const char*>(&event));
    return xcb_flush(connection) > 0;
}
