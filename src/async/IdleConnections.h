#pragma once

#include <QHash>
#include <QString>

#include <chrono>

class QTcpSocket;

namespace async {

// Connections that finished an answer and stay open for the next request to the same server,
// one per server (a poll asks one server twice a second, one request at a time). A
// connection the server closes, or one that sends something while nobody asked, is dropped;
// so is one left unused for a while. Lives in one thread, with the sockets it keeps.
class IdleConnections {
public:
    static constexpr std::chrono::seconds keptFor{30};

    IdleConnections() = default;
    ~IdleConnections();

    IdleConnections(const IdleConnections&) = delete;
    IdleConnections& operator=(const IdleConnections&) = delete;

    // Keeps a connected socket under `key` (scheme, host and port), replacing one kept there.
    void put(const QString& key, QTcpSocket* socket);
    // The socket kept under `key`, handed over to the caller, or none.
    QTcpSocket* take(const QString& key);
    qsizetype size() const { return m_sockets.size(); }

private:
    void drop(const QString& key, QTcpSocket* socket);

    QHash<QString, QTcpSocket*> m_sockets;
};

} // namespace async
