#include "async/HttpExchange.h"

#include "async/IdleConnections.h"

#include <QNetworkProxy>
#include <QSslSocket>
#include <QTcpSocket>

#include <algorithm>

namespace async::detail {
namespace {

// Bytes the socket takes in before we read them: the rest waits in the system's buffers, and
// a server that sends faster than we read is slowed down by the connection itself.
constexpr qint64 readChunk = 64 * 1024;

QNetworkReply::NetworkError networkError(QAbstractSocket::SocketError error) {
    switch (error) {
    case QAbstractSocket::ConnectionRefusedError:
        return QNetworkReply::ConnectionRefusedError;
    case QAbstractSocket::RemoteHostClosedError:
        return QNetworkReply::RemoteHostClosedError;
    case QAbstractSocket::HostNotFoundError:
        return QNetworkReply::HostNotFoundError;
    case QAbstractSocket::SocketTimeoutError:
        return QNetworkReply::TimeoutError;
    case QAbstractSocket::SslHandshakeFailedError:
    case QAbstractSocket::SslInternalError:
    case QAbstractSocket::SslInvalidUserDataError:
        return QNetworkReply::SslHandshakeFailedError;
    default:
        return QNetworkReply::UnknownNetworkError;
    }
}

// Calls `method` on the exchange while it lives and has not ended; the slot of every signal
// it listens to, so that a late signal never reaches an exchange that is gone.
template <typename... Args>
auto guarded(HttpExchange& exchange, void (HttpExchange::*method)(Args...)) {
    return [weak = exchange.weak_from_this(), method](Args... args) {
        if (auto self = weak.lock(); self && !self->isDone())
            (static_cast<HttpExchange&>(*self).*method)(args...);
    };
}

} // namespace

HttpExchange::HttpExchange(std::coroutine_handle<> handle, ExchangeRequest request,
                           ResponseLimits limits, std::weak_ptr<IdleConnections> idle)
    : Suspension(handle)
    , m_request(std::move(request))
    , m_limits(limits)
    , m_reader(limits)
    , m_idle(std::move(idle)) {}

HttpExchange::~HttpExchange() {
    releaseSocket(false);
}

void HttpExchange::start(QDeadlineTimer deadline, std::chrono::milliseconds idleTimeout) {
    auto* deadlineTimer = new QTimer(context());
    deadlineTimer->setSingleShot(true);
    QObject::connect(deadlineTimer, &QTimer::timeout, context(), [weak = weak_from_this()] {
        if (auto self = weak.lock(); self && !self->isDone())
            static_cast<HttpExchange&>(*self).end(QNetworkReply::TimeoutError);
    });
    deadlineTimer->start(std::max<qint64>(1, deadline.remainingTime()));

    m_idleTimer = new QTimer(context());
    m_idleTimer->setSingleShot(true);
    m_idleTimer->setInterval(std::max(idleTimeout, std::chrono::milliseconds(1)));
    QObject::connect(m_idleTimer, &QTimer::timeout, context(), [weak = weak_from_this()] {
        if (auto self = weak.lock(); self && !self->isDone())
            static_cast<HttpExchange&>(*self).end(QNetworkReply::TimeoutError);
    });
    m_idleTimer->start();

    QTimer::singleShot(0, context(), guarded(*this, &HttpExchange::begin));
}

void HttpExchange::end(QNetworkReply::NetworkError error) {
    if (isDone())
        return;
    releaseSocket(false);
    m_result = ExchangeResult{};
    m_result.response.error = error;
    resume();
}

void HttpExchange::begin() {
    const auto idle = m_idle.lock();
    if (QTcpSocket* kept = idle ? idle->take(m_request.key) : nullptr) {
        m_reused = true;
        attach(kept);
        send();
        return;
    }
    openConnection();
}

void HttpExchange::openConnection() {
    QTcpSocket* socket = m_request.encrypted ? new QSslSocket : new QTcpSocket;
    // Timers on the local network and the one cloud service are reached directly.
    socket->setProxy(QNetworkProxy::NoProxy);
    socket->setReadBufferSize(readChunk);
    attach(socket);
    if (auto* secure = qobject_cast<QSslSocket*>(socket)) {
        // The host name is checked against the certificate; any error ends the handshake.
        QObject::connect(secure, &QSslSocket::encrypted, context(),
                         guarded(*this, &HttpExchange::send));
        secure->connectToHostEncrypted(m_request.host, m_request.port);
    } else {
        QObject::connect(socket, &QTcpSocket::connected, context(),
                         guarded(*this, &HttpExchange::send));
        socket->connectToHost(m_request.host, m_request.port);
    }
}

void HttpExchange::attach(QTcpSocket* socket) {
    m_socket = socket;
    QObject::connect(socket, &QTcpSocket::readyRead, context(),
                     guarded(*this, &HttpExchange::readAvailable));
    QObject::connect(socket, &QTcpSocket::disconnected, context(),
                     guarded(*this, &HttpExchange::closedByServer));
    QObject::connect(socket, &QTcpSocket::errorOccurred, context(),
                     guarded(*this, &HttpExchange::socketFailed));
    QObject::connect(socket, &QTcpSocket::bytesWritten, m_idleTimer, qOverload<>(&QTimer::start));
}

void HttpExchange::send() {
    m_socket->write(m_request.bytes);
    m_idleTimer->start();
}

void HttpExchange::readAvailable() {
    while (m_socket && m_socket->bytesAvailable() > 0) {
        const QByteArray bytes = m_socket->read(readChunk);
        m_idleTimer->start();
        switch (m_reader.feed(bytes)) {
        case ResponseReader::State::reading:
            continue;
        case ResponseReader::State::complete:
            answered();
            return;
        case ResponseReader::State::failed:
            end(QNetworkReply::ProtocolFailure);
            return;
        }
    }
}

void HttpExchange::closedByServer() {
    // Whatever arrived before the close still counts.
    readAvailable();
    if (isDone())
        return;
    if (retryOnNewConnection())
        return;
    if (m_reader.closed() == ResponseReader::State::complete)
        answered();
    else
        end(m_reader.started() ? QNetworkReply::ProtocolFailure
                               : QNetworkReply::RemoteHostClosedError);
}

void HttpExchange::socketFailed(QAbstractSocket::SocketError error) {
    if (error == QAbstractSocket::RemoteHostClosedError) {
        closedByServer();
        return;
    }
    if (!retryOnNewConnection())
        end(networkError(error));
}

bool HttpExchange::retryOnNewConnection() {
    if (!m_reused || m_reader.started())
        return false;
    m_reused = false;
    releaseSocket(false);
    m_reader = ResponseReader(m_limits);
    openConnection();
    return true;
}

void HttpExchange::answered() {
    m_result.response.received = true;
    m_result.response.status = m_reader.status();
    m_result.response.bodyTooLarge = m_reader.bodyTooLarge();
    m_result.response.body = m_reader.body();
    m_result.location = m_reader.header("location");
    releaseSocket(m_reader.reusable());
    resume();
}

void HttpExchange::releaseSocket(bool keep) {
    QTcpSocket* socket = m_socket;
    m_socket = nullptr;
    if (!socket)
        return;
    socket->disconnect(context());
    socket->disconnect(m_idleTimer);
    const auto idle = m_idle.lock();
    if (keep && idle && socket->state() == QAbstractSocket::ConnectedState) {
        idle->put(m_request.key, socket);
        return;
    }
    socket->abort();
    socket->deleteLater();
}

} // namespace async::detail
