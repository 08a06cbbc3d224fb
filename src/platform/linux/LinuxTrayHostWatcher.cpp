#include "platform/linux/LinuxTrayHostWatcher.h"

#include "platform/PlatformLog.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusInterface>
#include <QDBusServiceWatcher>
#include <QGuiApplication>
#include <QTimer>

#include <xcb/xcb.h>

namespace {

const QString watcherService = QStringLiteral("org.kde.StatusNotifierWatcher");
const QString watcherPath = QStringLiteral("/StatusNotifierWatcher");

bool onX11() {
    return QGuiApplication::platformName() == u"xcb";
}

} // namespace

TrayHostWatcher* TrayHostWatcher::create(QObject* parent) {
    return new LinuxTrayHostWatcher(parent);
}

bool TrayHostWatcher::wantsTemplateIcon() {
    // Linux panels draw the icon as it is, on light and dark backgrounds alike.
    return false;
}

LinuxTrayHostWatcher::LinuxTrayHostWatcher(QObject* parent)
    : TrayHostWatcher(parent)
    , m_poll(new QTimer(this)) {
    const QString platform = QGuiApplication::platformName();
    if (platform == u"offscreen" || platform == u"minimal")
        return; // no desktop at all: there will never be a tray

    m_available = statusNotifierHostRegistered() || xembedTrayPresent();
    qCDebug(lcPlatform) << "tray host present at start:" << m_available;
    if (m_available)
        return;

    QDBusConnection bus = QDBusConnection::sessionBus();
    if (bus.isConnected()) {
        auto* services = new QDBusServiceWatcher(watcherService, bus,
                                                 QDBusServiceWatcher::WatchForRegistration, this);
        connect(services, &QDBusServiceWatcher::serviceRegistered, this,
                &LinuxTrayHostWatcher::check);
        bus.connect(watcherService, watcherPath, watcherService,
                    QStringLiteral("StatusNotifierHostRegistered"), this, SLOT(check()));
    }
    // The XEmbed selection has no notification we can subscribe to without an event filter;
    // a slow poll is enough for a panel that starts after us.
    m_poll->setInterval(3000);
    connect(m_poll, &QTimer::timeout, this, &LinuxTrayHostWatcher::check);
    m_poll->start();
}

bool LinuxTrayHostWatcher::statusNotifierHostRegistered() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface() ||
        !bus.interface()->isServiceRegistered(watcherService).value())
        return false;
    QDBusInterface watcher(watcherService, watcherPath, watcherService, bus);
    return watcher.isValid() && watcher.property("IsStatusNotifierHostRegistered").toBool();
}

bool LinuxTrayHostWatcher::xembedTrayPresent() {
    if (!onX11())
        return false;
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11 || !x11->connection())
        return false;
    xcb_connection_t* connection = x11->connection();
    // The tray of the first screen announces itself by owning this selection.
    const QByteArray name = "_NET_SYSTEM_TRAY_S0";
    xcb_intern_atom_reply_t* atom = xcb_intern_atom_reply(
        connection,
        xcb_intern_atom(connection, 1, static_cast<uint16_t>(name.size()), name.constData()),
        nullptr);
    if (!atom)
        return false;
    const xcb_atom_t selection = atom->atom;
    free(atom);
    if (selection == XCB_ATOM_NONE)
        return false;
    xcb_get_selection_owner_reply_t* owner = xcb_get_selection_owner_reply(
        connection, xcb_get_selection_owner(connection, selection), nullptr);
    if (!owner)
        return false;
    const bool present = owner->owner != XCB_NONE;
    free(owner);
    return present;
}

void LinuxTrayHostWatcher::check() {
    if (m_available)
        return;
    if (statusNotifierHostRegistered() || xembedTrayPresent()) {
        m_available = true;
        m_poll->stop();
        qCDebug(lcPlatform) << "tray host appeared";
        Q_EMIT appeared();
    }
}
