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
// connection, refused, timeout, cancellation, TLS failure, unusable URL); then `status` is 0
// and the body empty. A body longer than the session's cap is dropped and flagged, so that a
// server streaming megabytes never grows our memory.
struct HttpResponse {
    bool received = false;
    int status = 0;
    QByteArray body;
    bool bodyTooLarge = false;
    QNetworkReply::NetworkError error = QNetworkReply::NoError;
};

// An ephemeral HTTP client: no cookies kept, no cache, a transfer timeout (a request that
// receives no data for that long fails) and a cap on the body it keeps. It belongs to the
// thread that created it and must be used there only.
class HttpSession {
public:
    static constexpr qint64 defaultBodyCap = 1024 * 1024;

    explicit HttpSession(std::chrono::milliseconds transferTimeout,
                         qint64 bodyCap = defaultBodyCap);
    ~HttpSession();

    HttpSession(const HttpSession&) = delete;
    HttpSession& operator=(const HttpSession&) = delete;

    std::chrono::milliseconds transferTimeout() const { return m_transferTimeout; }
    void setTransferTimeout(std::chrono::milliseconds timeout) { m_transferTimeout = timeout; }
    qint64 bodyCap() const { return m_bodyCap; }

    // Sends a GET without body. Cancelling the token aborts the request, which then ends as a
    // transport failure; the coroutine resumes on a later turn of the event loop.
    QCoro::Task<HttpResponse> get(QNetworkRequest request, CancelToken token = {});

private:
    std::unique_ptr<QNetworkAccessManager> m_manager;
    std::chrono::milliseconds m_transferTimeout;
    qint64 m_bodyCap;
};

} // namespace async
