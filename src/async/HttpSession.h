#pragma once

#include "async/CancelToken.h"

#include <QByteArray>
#include <QCoroTask>
#include <QNetworkReply>
#include <QNetworkRequest>

#include <chrono>
#include <memory>

class QNetworkAccessManager;

namespace async {

// What came back from one GET. `received` is false for every transport failure (no
// connection, refused, timeout, deadline passed, cancellation, TLS failure, unusable URL);
// then `status` is 0 and the body empty. A body longer than the session's cap is not read
// further: the reply is aborted as soon as its announced length or the bytes received pass
// the cap, the body is dropped and the answer flagged, so that a server streaming gigabytes
// never grows our memory.
struct HttpResponse {
    bool received = false;
    int status = 0;
    QByteArray body;
    bool bodyTooLarge = false;
    QNetworkReply::NetworkError error = QNetworkReply::NoError;
};

// An ephemeral HTTP client: no cookies kept, no cache, no compressed bodies, a transfer
// timeout (a request that receives no data for that long fails), a deadline for the whole
// request (a server trickling one byte a second must not hold a request open for ever) and
// a cap on the body it reads. It belongs to the thread that created it and must be used
// there only.
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

    // Sends a GET without body. Cancelling the token aborts the request, which then ends as a
    // transport failure; the coroutine resumes on a later turn of the event loop.
    QCoro::Task<HttpResponse> get(QNetworkRequest request, CancelToken token = {});

private:
    std::unique_ptr<QNetworkAccessManager> m_manager;
    std::chrono::milliseconds m_transferTimeout;
    std::chrono::milliseconds m_deadline;
    qint64 m_bodyCap;
    bool m_keepsConnections = true;
};

} // namespace async
