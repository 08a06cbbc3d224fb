#pragma once

#include "async/CancelToken.h"
#include "async/ResponseReader.h"

#include <QByteArray>
#include <QCoroTask>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPair>
#include <QUrl>

#include <chrono>
#include <memory>
#include <vector>

namespace async {

class IdleConnections;
namespace detail {
class HttpExchange;
}

// What came back from one GET. `received` is false for every transport failure (no
// connection, refused, timeout, deadline passed, cancellation, TLS failure, unusable URL, an
// answer that is not HTTP or breaks the header limits); then `status` is 0 and the body
// empty. A body longer than the session's cap is not read further: the connection is closed
// as soon as its announced length or the bytes received pass the cap, the body is dropped and
// the answer flagged, so that a server streaming gigabytes never grows our memory.
struct HttpResponse {
    bool received = false;
    int status = 0;
    QByteArray body;
    bool bodyTooLarge = false;
    QNetworkReply::NetworkError error = QNetworkReply::NoError;
};

// An ephemeral HTTP/1.1 client of its own, over plain or TLS connections: it sends GETs,
// keeps no cookies, asks for no compressed bodies and follows a redirect only where the
// request allows it (same server). Every answer is held to limits (status line, header bytes
// and count, body cap: see ResponseReader), and every request ends at its deadline however
// the server behaves; a request that receives no data for the transfer timeout fails
// earlier. Nothing runs in another thread, so nothing outlives a request or holds up the
// end of the process. It belongs to the thread that created it and must be used there only.
class HttpSession {
public:
    static constexpr qint64 defaultBodyCap = 1024 * 1024;

    // The deadline starts equal to the transfer timeout: the answers we read are small, so
    // the time without data bounds the whole request too.
    explicit HttpSession(std::chrono::milliseconds transferTimeout,
                         qint64 bodyCap = defaultBodyCap);
    ~HttpSession();

    HttpSession(const HttpSession&) = delete;
    HttpSession& operator=(const HttpSession&) = delete;

    std::chrono::milliseconds transferTimeout() const { return m_transferTimeout; }
    void setTransferTimeout(std::chrono::milliseconds timeout) { m_transferTimeout = timeout; }
    std::chrono::milliseconds deadline() const { return m_deadline; }
    void setDeadline(std::chrono::milliseconds deadline) { m_deadline = deadline; }
    // Both at once: for answers of a few hundred bytes the time without data bounds the whole
    // request too.
    void setTimeout(std::chrono::milliseconds timeout);
    qint64 bodyCap() const { return m_bodyCap; }
    void setBodyCap(qint64 cap) { m_bodyCap = cap; }
    // Whether idle connections stay open for the next request to the same host. A session that
    // touches thousands of hosts once each closes them: cached, they would cost some 25 KB per
    // address until the session goes away.
    bool keepsConnections() const { return m_keepsConnections; }
    void setKeepsConnections(bool keep) { m_keepsConnections = keep; }

    // Sends a GET without body to the request's http or https URL, with the request's raw
    // headers. Cancelling the token aborts the request, which then ends as a transport
    // failure; the coroutine resumes on a later turn of the event loop. Requests still
    // running when the session goes away end the same way.
    QCoro::Task<HttpResponse> get(QNetworkRequest request, CancelToken token = {});

private:
    QCoro::Task<HttpResponse> exchange(QUrl url, QList<QPair<QByteArray, QByteArray>> headers,
                                       bool followRedirects, CancelToken token);

    std::chrono::milliseconds m_transferTimeout;
    std::chrono::milliseconds m_deadline;
    qint64 m_bodyCap;
    bool m_keepsConnections = true;
    std::shared_ptr<IdleConnections> m_idle;
    // Exchanges that may still run, ended when the session goes away.
    std::vector<std::weak_ptr<detail::HttpExchange>> m_running;
};

} // namespace async
