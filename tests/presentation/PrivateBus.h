#pragma once

#include <QDBusConnection>
#include <QProcess>
#include <QTemporaryDir>

// A dbus-daemon of the test's own, listening on a socket in a temporary folder, with no
// service activation: only what the test registers is there. Stopped when destroyed.
class PrivateBus {
public:
    PrivateBus();
    ~PrivateBus();

    bool isRunning() const { return !m_address.isEmpty(); }
    QString address() const { return m_address; }
    // A new connection of its own (each program on a bus is one), named `name`.
    QDBusConnection connect(const QString& name) const;

private:
    QTemporaryDir m_dir;
    QProcess m_daemon;
    QString m_address;
    mutable QStringList m_connections;
};
