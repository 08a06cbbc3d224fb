#include "support/ScriptedSocketServer.h"

#include <QCryptographicHash>
#include <QTcpSocket>
#include <QWebSocket>
#include <QWebSocketServer>
#include <QtEndian>

QByteArray ScriptedSocketServer::textFrame(const QByteArray& payload) {
    QByteArray bytes("\x81");
    if (payload.size() < 126) {
        bytes.append(char(payload.size()));
    } else {
        bytes.append(char(126));
        char size[2];
        qToBigEndian<quint16>(quint16(payload.size()), size);
        bytes.append(size, 2);
    }
    return bytes + payload;
}

ScriptedSocketServer::ScriptedSocketServer(QObject* parent)
    : QObject(parent)
    , m_sockets(
          new QWebSocketServer(QStringLiteral("scripted"), QWebSocketServer::NonSecureMode, this)) {
    m_http.setUpgradeHandler([this](QTcpSocket* socket) { return takeUpgrade(socket); });
    connect(m_sockets, &QWebSocketServer::newConnection, this, [this] {
        while (QWebSocket* socket = m_sockets->nextPendingConnection()) {
            ++m_upgrades;
            m_accepted.append(socket);
            connect(socket, &QWebSocket::disconnected, socket, &QObject::deleteLater);
            for (const QByteArray& message : std::as_const(m_greeting))
                socket->sendTextMessage(QString::fromUtf8(message));
        }
    });
}

ScriptedSocketServer::~ScriptedSocketServer() = default;

bool ScriptedSocketServer::listen(const QHostAddress& address, quint16 port) {
    return m_http.listen(address, port);
}

bool ScriptedSocketServer::takeUpgrade(QTcpSocket* socket) {
    switch (m_mode) {
    case Mode::accept:
        m_sockets->handleConnection(socket);
        return true;
    case Mode::refuse:
        break;
    case Mode::raw:
        acceptRaw(socket);
        return true;
    }
    return false;
}

void ScriptedSocketServer::acceptRaw(QTcpSocket* socket) {
    const QByteArray request = socket->readAll();
    QByteArray key;
    for (const QByteArray& line : request.split('\n')) {
        if (line.toLower().startsWith("sec-websocket-key:"))
            key = line.mid(line.indexOf(':') + 1).trimmed();
    }
    const QByteArray accept = QCryptographicHash::hash(key + "258EAFA5-E914-47DA-95CA-C5AB0DC85B11",
                                                       QCryptographicHash::Sha1)
                                  .toBase64();
    socket->write("HTTP/1.1 101 Switching Protocols\r\nUpgrade: websocket\r\n"
                  "Connection: Upgrade\r\nSec-WebSocket-Accept: " +
                  accept + "\r\n\r\n");
    ++m_upgrades;
    // What the client sends (its pings among it) is read and dropped, never answered.
    connect(socket, &QTcpSocket::readyRead, socket, [socket] { socket->readAll(); });
    connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    m_raw.append(socket);
    for (const QByteArray& message : std::as_const(m_greeting))
        socket->write(textFrame(message));
    if (m_rawScript)
        m_rawScript(socket);
}

void ScriptedSocketServer::send(const QByteArray& message) {
    for (const QPointer<QWebSocket>& socket : std::as_const(m_accepted)) {
        if (socket)
            socket->sendTextMessage(QString::fromUtf8(message));
    }
    for (const QPointer<QTcpSocket>& socket : std::as_const(m_raw)) {
        if (socket && socket->state() == QAbstractSocket::ConnectedState)
            socket->write(textFrame(message));
    }
}

void ScriptedSocketServer::closeAll(QWebSocketProtocol::CloseCode code) {
    for (const QPointer<QWebSocket>& socket : std::as_const(m_accepted)) {
        if (socket)
            socket->close(code);
    }
    for (const QPointer<QTcpSocket>& socket : std::as_const(m_raw)) {
        if (socket)
            socket->abort();
    }
}
