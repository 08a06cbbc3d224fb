#pragma once

#include <QDBusConnection>
#include <QDBusMessage>
#include <QString>
#include <QVariantList>

#include <optional>

// Blocking D-Bus calls with a short timeout, for the presentation queries on the watcher's
// own thread. A program that hangs costs one timeout, never the main thread.
namespace DBusCall {

inline constexpr int timeoutMs = 300;

// How a call ended.
enum class Outcome {
    answered,
    // The program is not there (any more): no such name, object or method, or it left the
    // bus before answering.
    gone,
    // It is there but did not answer in time.
    timedOut,
};

struct Reply {
    Outcome outcome = Outcome::gone;
    QVariantList arguments;
    QVariant first() const { return arguments.value(0); }
};

Reply call(const QDBusConnection& bus, const QString& service, const QString& path,
           const QString& interface, const QString& method, const QVariantList& arguments = {},
           int timeout = timeoutMs);

// A property through org.freedesktop.DBus.Properties.Get, unwrapped from its variant.
Reply property(const QDBusConnection& bus, const QString& service, const QString& path,
               const QString& interface, const QString& name, int timeout = timeoutMs);

// The names on the bus (ListNames of the bus itself); nothing when the bus does not answer.
std::optional<QStringList> names(const QDBusConnection& bus);

// Whether a program owns `name` now; asking never starts one that the bus could activate.
bool hasOwner(const QDBusConnection& bus, const QString& name);

// The unique name that owns `name` now; nothing when it has no owner or the bus is silent.
std::optional<QString> owner(const QDBusConnection& bus, const QString& name);

} // namespace DBusCall
