#include "ontime/OntimeSocket.h"

#include "async/Clock.h"
#include "async/PlainGet.h"
#include "ontime/OntimeLog.h"

#include <QNetworkRequest>

std::optional<QUrl> OntimeSocket::url(const QString& host, qint64 port) {
    std::optional<QUrl> address = async::requestUrl(host, port, QStringLiteral("ws"));
    if (address)
        address->setScheme(QStringLiteral("ws"));
    return address;
}

OntimeSocket::OntimeSocket(const QUrl& url, bool batches, const Limits& limits, QObject* parent)
    : QObject(parent)
    , m_url(url)
    , m_limits(limits)
    , m_store(batches) {
    const auto cap = static_cast<quint64>(limits.maxMessageBytes);
    m_socket.setMaxAllowedIncomingFrameSize(cap);
    m_socket.setMaxAllowedIncomingMessageSize(cap);
    // Unread bytes wait in a buffer that holds one whole frame and no more: a server that
    // sends faster than we read is held back by the network, not by our memory.
    m_socket.setReadBufferSize(limits.maxMessageBytes + 64 * 1024);

    for (QTimer* timer : {&m_handshake, &m_silence, &m_ping, &m_rate})
        timer->setTimerType(Qt::PreciseTimer);
    m_handshake.setSingleShot(true);
    m_silence.setSingleShot(true);
    m_rate.setInterval(1000);
    m_ping.setInterval(limits.pingInterval);

    QObject::connect(&m_socket, &QWebSocket::connected, this, &OntimeSocket::onConnected);
    QObject::connect(&m_socket, &QWebSocket::textMessageReceived, this, &OntimeSocket::onText);
    // Ontime sends no binary messages; they count towards a flood and for nothing else.
    QObject::connect(&m_socket, &QWebSocket::binaryMessageReceived, this, [this] { tick(); });
    QObject::connect(&m_socket, &QWebSocket::pong, this, [this] { heardNow(); });
    QObject::connect(&m_socket, &QWebSocket::disconnected, this, &OntimeSocket::onDisconnected);
#if QT_VERSION >= QT_VERSION_CHECK(6, 5, 0)
    const auto errorSignal = &QWebSocket::errorOccurred;
#else
    const auto errorSignal = qOverload<QAbstractSocket::SocketError>(&QWebSocket::error);
#endif
    // Every error ends the connection: after some of them (a handshake header that never
    // ends) the socket would otherwise stay open and keep reading.
    QObject::connect(&m_socket, errorSignal, this, [this](QAbstractSocket::SocketError error) {
        qCDebug(lcOntime) << "socket error" << error << m_socket.errorString();
        finish(m_opened ? End::closed : End::notOpened);
    });
    QObject::connect(&m_handshake, &QTimer::timeout, this, [this] {
        qCDebug(lcOntime) << "socket upgrade unanswered";
        finish(End::notOpened);
    });
    QObject::connect(&m_silence, &QTimer::timeout, this, [this] {
        qCDebug(lcOntime) << "socket silent";
        finish(End::silent);
    });
    QObject::connect(&m_ping, &QTimer::timeout, this, [this] { m_socket.ping(); });
    QObject::connect(&m_rate, &QTimer::timeout, this, [this] { m_messagesThisSecond = 0; });
}

OntimeSocket::~OntimeSocket() {
    // No more signals from a connection that is going away.
    m_socket.disconnect(this);
    m_socket.abort();
}

void OntimeSocket::open() {
    QNetworkRequest request(m_url);
    m_handshake.start(m_limits.handshake);
    m_rate.start();
    m_socket.open(request);
}

void OntimeSocket::abort() {
    finish(End::aborted);
}

void OntimeSocket::onConnected() {
    if (hasEnded())
        return;
    m_opened = true;
    m_handshake.stop();
    m_silence.start(m_limits.silence);
    m_ping.start();
}

void OntimeSocket::tick() {
    if (++m_messagesThisSecond > m_limits.maxMessagesPerSecond) {
        qCDebug(lcOntime) << "socket flooded";
        finish(End::flooded);
    }
}

void OntimeSocket::onText(const QString& text) {
    if (hasEnded())
        return;
    tick();
    if (hasEnded())
        return;
    const qint64 received = async::Clock::instance().monotonicMs();
    const std::optional<SocketMessage> message = SocketMessage::decode(text.toUtf8());
    if (!message)
        return;
    SocketStore::Change change = m_store.apply(*message);
    if (change.outcome == SocketStore::Change::Outcome::refused) {
        qCDebug(lcOntime) << "socket message does not decode; keeping the last values";
        return;
    }
    heardNow();
    if (change.outcome == SocketStore::Change::Outcome::updated) {
        change.update.receivedMonotonic = received;
        Q_EMIT updated(change.update);
    }
}

void OntimeSocket::heardNow() {
    if (hasEnded())
        return;
    m_heard = true;
    m_silence.start(m_limits.silence);
    Q_EMIT heardFrom();
}

void OntimeSocket::onDisconnected() {
    finish(m_opened ? End::closed : End::notOpened);
}

void OntimeSocket::finish(End end) {
    if (hasEnded())
        return;
    m_end = end;
    for (QTimer* timer : {&m_handshake, &m_silence, &m_ping, &m_rate})
        timer->stop();
    m_socket.disconnect(this);
    // Later: this may run inside the socket's own reading of a message.
    QMetaObject::invokeMethod(&m_socket, &QWebSocket::abort, Qt::QueuedConnection);
    Q_EMIT ended();
}
