#include "platform/linux/X11StackingWatcher.h"

#include "platform/linux/X11Connection.h"

#include <QEvent>
#include <QSocketNotifier>
#include <QWidget>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

// A window manager that answers our raise by raising its own window again would otherwise
// make the two of us fight as fast as the server lets us.
constexpr qint64 raiseGapMs = 100;
// A window dragged across the screen reports every step; a look at the stacking order now and
// then is enough to follow it.
constexpr qint64 checkGapMs = 40;

using X11::Reply;

bool overlaps(const xcb_get_geometry_reply_t& a, const xcb_get_geometry_reply_t& b) {
    const int aRight = a.x + a.width + 2 * a.border_width;
    const int aBottom = a.y + a.height + 2 * a.border_width;
    const int bRight = b.x + b.width + 2 * b.border_width;
    const int bBottom = b.y + b.height + 2 * b.border_width;
    return a.x < bRight && b.x < aRight && a.y < bBottom && b.y < aBottom;
}

} // namespace

X11StackingWatcher::X11StackingWatcher(QWidget* window)
    : QObject(window)
    , m_window(window) {
    m_check.setSingleShot(true);
    connect(&m_check, &QTimer::timeout, this, &X11StackingWatcher::raiseIfCovered);

    const X11::Display display = X11::open();
    if (!display.connection)
        return;
    m_connection = display.connection;
    m_root = display.root;

    const std::string selection = "_NET_WM_CM_S" + std::to_string(display.screen);
    m_compositorSelection = X11::intern(m_connection, selection.c_str());

    m_notifier =
        new QSocketNotifier(xcb_get_file_descriptor(m_connection), QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &X11StackingWatcher::readEvents);
    window->installEventFilter(this);
    listen(window->isVisible());
}

X11StackingWatcher::~X11StackingWatcher() {
    delete m_notifier;
    if (m_connection)
        xcb_disconnect(m_connection);
}

void X11StackingWatcher::listen(bool on) {
    if (!m_connection)
        return;
    // Every restack, map and reparenting among the root's children is reported to us.
    const uint32_t mask = on ? XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY : XCB_EVENT_MASK_NO_EVENT;
    xcb_change_window_attributes(m_connection, m_root, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(m_connection);
}

bool X11StackingWatcher::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_window) {
        if (event->type() == QEvent::Show) {
            listen(true);
            // Mapped on top already, unless a window came up in the same moment.
            scheduleCheck();
        } else if (event->type() == QEvent::Hide) {
            listen(false);
            m_check.stop();
        }
    }
    return QObject::eventFilter(watched, event);
}

bool X11StackingWatcher::compositorActive() const {
    if (!m_connection || m_compositorSelection == XCB_ATOM_NONE)
        return false;
    const Reply<xcb_get_selection_owner_reply_t> owner(xcb_get_selection_owner_reply(
        m_connection, xcb_get_selection_owner(m_connection, m_compositorSelection), nullptr));
    return owner && owner->owner != XCB_WINDOW_NONE;
}

void X11StackingWatcher::readEvents() {
    if (!m_connection)
        return;
    const auto own = xcb_window_t(m_window ? m_window->internalWinId() : 0);
    bool restacked = false;
    bool created = false;
    while (xcb_generic_event_t* event = xcb_poll_for_event(m_connection)) {
        switch (event->response_type & 0x7f) {
        case XCB_CONFIGURE_NOTIFY:
            // Our own moves and raises need no answer.
            restacked =
                restacked || reinterpret_cast<xcb_configure_notify_event_t*>(event)->window != own;
            break;
        case XCB_MAP_NOTIFY:
            restacked =
                restacked || reinterpret_cast<xcb_map_notify_event_t*>(event)->window != own;
            break;
        case XCB_CIRCULATE_NOTIFY:
        case XCB_REPARENT_NOTIFY:
            restacked = true;
            break;
        case XCB_CREATE_NOTIFY:
        case XCB_DESTROY_NOTIFY:
            created = true;
            break;
        default:
            break;
        }
        std::free(event);
    }
    if (xcb_connection_has_error(m_connection)) {
        // The display went away; nothing is left to watch.
        m_notifier->setEnabled(false);
        return;
    }
    if (restacked)
        scheduleCheck();
    if (created)
        Q_EMIT windowsCreatedOrDestroyed();
}

void X11StackingWatcher::scheduleCheck() {
    if (m_check.isActive())
        return;
    // All the events of one burst are answered by one look at the stacking order.
    qint64 wait = 0;
    if (m_sinceRaise.isValid())
        wait = std::max(wait, raiseGapMs - m_sinceRaise.elapsed());
    if (m_sinceCheck.isValid())
        wait = std::max(wait, checkGapMs - m_sinceCheck.elapsed());
    m_check.start(int(wait));
}

void X11StackingWatcher::raiseIfCovered() {
    if (!m_connection || !m_window || !m_window->isVisible())
        return;
    m_sinceCheck.restart();
    const auto own = xcb_window_t(m_window->internalWinId());
    if (own == XCB_WINDOW_NONE)
        return;
    const Reply<xcb_query_tree_reply_t> tree(
        xcb_query_tree_reply(m_connection, xcb_query_tree(m_connection, m_root), nullptr));
    if (!tree)
        return;
    // Bottom to top.
    const xcb_window_t* children = xcb_query_tree_children(tree.get());
    const int count = xcb_query_tree_children_length(tree.get());
    const xcb_window_t* end = children + count;
    const xcb_window_t* at = std::find(children, end, own);
    // Only a direct child of the root, that is an unmanaged window, is ours to stack.
    if (at == end || at + 1 == end) {
        readEvents();
        return;
    }
    const xcb_get_geometry_cookie_t ownCookie = xcb_get_geometry(m_connection, own);
    std::vector<std::pair<xcb_get_window_attributes_cookie_t, xcb_get_geometry_cookie_t>> above;
    for (const xcb_window_t* w = at + 1; w != end; ++w)
        above.emplace_back(xcb_get_window_attributes(m_connection, *w),
                           xcb_get_geometry(m_connection, *w));
    const Reply<xcb_get_geometry_reply_t> ownGeometry(
        xcb_get_geometry_reply(m_connection, ownCookie, nullptr));
    bool covered = false;
    for (const auto& [attributesCookie, geometryCookie] : above) {
        const Reply<xcb_get_window_attributes_reply_t> attributes(
            xcb_get_window_attributes_reply(m_connection, attributesCookie, nullptr));
        const Reply<xcb_get_geometry_reply_t> geometry(
            xcb_get_geometry_reply(m_connection, geometryCookie, nullptr));
        // Menus, tooltips and other unmanaged windows (ours among them) may pass over the
        // card for a moment; only managed windows that hide it count.
        covered = covered || (ownGeometry && attributes && geometry &&
                              attributes->map_state == XCB_MAP_STATE_VIEWABLE &&
                              !attributes->override_redirect &&
                              attributes->_class == XCB_WINDOW_CLASS_INPUT_OUTPUT &&
                              overlaps(*ownGeometry, *geometry));
    }
    if (covered) {
        // A restack asks for no focus, unlike an activation request.
        const uint32_t mode = XCB_STACK_MODE_ABOVE;
        xcb_configure_window(m_connection, own, XCB_CONFIG_WINDOW_STACK_MODE, &mode);
        xcb_flush(m_connection);
        ++m_raises;
        m_sinceRaise.restart();
    }
    // The replies may have brought events along that the socket will not report again.
    readEvents();
}
