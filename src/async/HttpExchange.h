#pragma once

#include "async/HttpSession.h"
#include "async/ResponseReader.h"
#include "async/Suspension.h"

#include <QAbstractSocket>
#include <QDeadlineTimer>
#include <QPointer>
#include <QTimer>

#include <chrono>
#include <memory>

class QTcpSocket;

namespace async {

class IdleConnections;

namespace detail {

// Where one request goes and the bytes that make it.
struct ExchangeRequest {
    QString host;
    quint16 port = 0;
    bool encrypted = false;
    QByteArray bytes;
    // Scheme, host and port: the connections kept for one server.
    QString key;
};

// The answer of one exchange, with where a redirect points.
struct ExchangeResult {
    HttpResponse response;
    QByteArray location;
};

// One request and its answer on one connection, waited for by one coroutine: a connection
// kept from an earlier answer when there is one (and, should the server have closed it just
// then, once more on a new one), else a new connection. It ends exactly once: with the
// answer, at the deadline, when no byte moves for the idle time, when the answer breaks its
// limits, or when end() is called.
class HttpExchange final : public Suspension {
public:
    HttpExchange(std::coroutine_handle<> handle, ExchangeRequest request, ResponseLimits limits,
                 std::weak_ptr<IdleConnections> idle);
    ~HttpExchange() override;

    // Begins on a later turn of the event loop, so that the waiting coroutine is suspended
    // before anything can end the exchange.
    void start(QDeadlineTimer deadline, std::chrono::milliseconds idleTimeout);
    // Ends the exchange now with a transport failure.
    void end(QNetworkReply::NetworkError error);
    ExchangeResult takeResult() { return std::move(m_result); }

private:
    void begin();
    void openConnection();
    void attach(QTcpSocket* socket);
    void send();
    void readAvailable();
    void closedByServer();
    void socketFailed(QAbstractSocket::SocketError error);
    // A kept connection that fails before any answer was closed by the server as we reused
    // it; the request goes once more on a new one.
    bool retryOnNewConnection();
    void answered();
    void releaseSocket(bool keep);

    ExchangeRequest m_request;
    ResponseLimits m_limits;
    ResponseReader m_reader;
    std::weak_ptr<IdleConnections> m_idle;
    QPointer<QTcpSocket> m_socket;
    bool m_reused = false;
    QTimer* m_idleTimer = nullptr;
    ExchangeResult m_result;
};

} // namespace detail
} // namespace async
