#include "platform/linux/DBusCall.h"

#include <QDBusArgument>
#include <QDBusVariant>

namespace DBusCall {

namespace {

const QString busService = QStringLiteral("org.freedesktop.DBus");
const QString busPath = QStringLiteral("/org/freedesktop/DBus");

} // namespace

bool hasOwner(const QDBusConnection& bus, const QString& name) {
    QDBusMessage message = QDBusMessage::createMethodCall(busService, busPath, busService,
                                                          QStringLiteral("NameHasOwner"));
    message << name;
    const QDBusMessage reply = bus.call(message, QDBus::Block, timeoutMs);
    return reply.type() == QDBusMessage::ReplyMessage && reply.arguments().value(0).toBool();
}

Reply call(const QDBusConnection& bus, const QString& service, const QString& path,
           const QString& interface, const QString& method, const QVariantList& arguments,
           int timeout) {
    if (!bus.isConnected())
        return {};
    QDBusMessage message = QDBusMessage::createMethodCall(service, path, interface, method);
    message.setArguments(arguments);
    const QDBusMessage reply = bus.call(message, QDBus::Block, timeout);
    if (reply.type() == QDBusMessage::ReplyMessage)
        return {Outcome::answered, reply.arguments()};
    // The bus reports both a timeout and a program that quit before answering as NoReply;
    // only the program's name still being owned tells them apart.
    if (reply.errorName() == u"org.freedesktop.DBus.Error.NoReply" ||
        reply.errorName() == u"org.freedesktop.DBus.Error.Timeout")
        return {hasOwner(bus, service) ? Outcome::timedOut : Outcome::gone, {}};
    return {};
}

Reply property(const QDBusConnection& bus, const QString& service, const QString& path,
               const QString& interface, const QString& name, int timeout) {
    Reply reply = call(bus, service, path, QStringLiteral("org.freedesktop.DBus.Properties"),
                       QStringLiteral("Get"), {interface, name}, timeout);
    if (reply.outcome == Outcome::answered)
        reply.arguments = {qvariant_cast<QDBusVariant>(reply.first()).variant()};
    return reply;
}

std::optional<QStringList> names(const QDBusConnection& bus) {
    const Reply reply = call(bus, busService, busPath, busService, QStringLiteral("ListNames"));
    if (reply.outcome != Outcome::answered)
        return std::nullopt;
    return reply.first().toStringList();
}

std::optional<QString> owner(const QDBusConnection& bus, const QString& name) {
    const Reply reply =
        call(bus, busService, busPath, busService, QStringLiteral("GetNameOwner"), {name});
    if (reply.outcome != Outcome::answered)
        return std::nullopt;
    return reply.first().toString();
}

} // namespace DBusCall
