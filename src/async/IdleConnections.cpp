#include "async/IdleConnections.h"

#include <QTcpSocket>
#include <QTimer>

namespace async {
namespace {

// The timer that ends a kept connection; a child of its socket.
const char* const expiryName = "kalvane-idle-expiry";

void discard(QTcpSocket* socket) {
    socket->disconnect();
    socket->abort();
    socket->deleteLater();
}

} // namespace

IdleConnections::~IdleConnections() {
    for (QTcpSocket* socket : std::as_const(m_sockets)) {
        socket->disconnect();
        delete socket;
    }
}

void IdleConnections::put(const QString& key, QTcpSocket* socket) {
    if (QTcpSocket* old = m_sockets.take(key))
        discard(old);
    m_sockets.insert(key, socket);
    // Nothing may arrive on an idle connection but its end.
    const auto dropThis = [this, key, socket] { drop(key, socket); };
    QObject::connect(socket, &QTcpSocket::readyRead, socket, dropThis);
    QObject::connect(socket, &QTcpSocket::disconnected, socket, dropThis);
    QObject::connect(socket, &QTcpSocket::errorOccurred, socket, dropThis);
    auto* expiry = new QTimer(socket);
    expiry->setObjectName(QLatin1String(expiryName));
    expiry->setSingleShot(true);
    QObject::connect(expiry, &QTimer::timeout, socket, dropThis);
    expiry->start(keptFor);
}

QTcpSocket* IdleConnections::take(const QString& key) {
    QTcpSocket* socket = m_sockets.take(key);
    if (!socket)
        return nullptr;
    socket->disconnect(socket);
    delete socket->findChild<QTimer*>(QLatin1String(expiryName), Qt::FindDirectChildrenOnly);
    if (socket->state() != QAbstractSocket::ConnectedState || socket->bytesAvailable() > 0) {
        discard(socket);
        return nullptr;
    }
    return socket;
}

void IdleConnections::drop(const QString& key, QTcpSocket* socket) {
    if (m_sockets.value(key) != socket)
        return;
    m_sockets.remove(key);
    discard(socket);
}

} // namespace async
