#include "async/HttpSession.h"

#include "async/Suspension.h"

#include <QNetworkAccessManager>
#include <QNetworkCookie>
#include <QNetworkCookieJar>
#include <QTimer>

#include <algorithm>

namespace async {
namespace {

// Keeps no cookie at all: the clients only read public state and must not carry anything
// from one request to the next.
class RefusingCookieJar final : public QNetworkCookieJar {
public:
    using QNetworkCookieJar::QNetworkCookieJar;
    bool setCookiesFromUrl(const QList<QNetworkCookie>&, const QUrl&) override { return false; }
    QList<QNetworkCookie> cookiesForUrl(const QUrl&) const override { return {}; }
};

bool isTransportError(QNetworkReply::NetworkError error) {
    return error > QNetworkReply::NoError && error < QNetworkReply::ContentAccessDenied;
}

struct GetState : detail::Suspension {
    using Suspension::Suspension;
    QPointer<QNetworkReply> reply;
    qint64 cap = 0;
    bool pastDeadline = false;
    HttpResponse response;

    // Stops reading a body that is more than we keep; the answer itself still counts.
    void refuseBody() {
        response.bodyTooLarge = true;
        response.body.clear();
        response.body.squeeze();
        stop();
    }

    // Aborts the reply, which then finishes. A reply that has all its data already counts
    // as finished and ignores abort() without a signal, so the wait ends here then.
    void stop() {
        if (reply)
            reply->abort();
        if (!isDone())
            finish();
    }

    // Takes the outcome over from the reply and resumes the waiting coroutine.
    void finish();
};

void GetState::finish() {
    if (isDone())
        return;
    const QVariant status =
        reply ? reply->attribute(QNetworkRequest::HttpStatusCodeAttribute) : QVariant();
    response.error = reply ? reply->error() : QNetworkReply::OperationCanceledError;
    if (pastDeadline) {
        response = HttpResponse{};
        response.error = QNetworkReply::TimeoutError;
    } else if (response.bodyTooLarge) {
        // The server did answer; its body is simply more than we keep.
        response.received = true;
        response.status = status.toInt();
    } else if (isTransportError(response.error) || !status.isValid()) {
        const QNetworkReply::NetworkError error = response.error;
        response = HttpResponse{};
        response.error = error;
    } else {
        response.received = true;
        response.status = status.toInt();
        response.body += reply->read(std::max<qint64>(0, cap + 1 - response.body.size()));
        if (response.body.size() > cap || reply->bytesAvailable() > 0) {
            response.bodyTooLarge = true;
            response.body.clear();
        }
    }
    if (reply)
        reply->deleteLater();
    resume();
}

// Read at most this much ahead of us: without a bound the network thread buffers a fast
// server's whole body before we see the first byte of it.
constexpr qint64 readAhead = 64 * 1024;

// Network-layer and proxy errors: nothing usable came back from the server.
HttpResponse unusableRequest() {
    HttpResponse response;
    response.error = QNetworkReply::ProtocolUnknownError;
    return response;
}

class GetAwaiter {
public:
    GetAwaiter(QNetworkReply* reply, CancelToken token, qint64 cap,
               std::chrono::milliseconds deadline)
        : m_reply(reply)
        , m_token(std::move(token))
        , m_cap(cap)
        , m_deadline(deadline) {}

    bool await_ready() const { return false; }

    void await_suspend(std::coroutine_handle<> handle) {
        m_state = std::make_shared<GetState>(handle);
        m_state->reply = m_reply;
        m_state->cap = m_cap;
        std::weak_ptr<GetState> weak = m_state;
        m_reply->setReadBufferSize(std::min(m_cap + 1, readAhead));

        // A reply deleted under us (its session going away with its thread) never finishes.
        QObject::connect(m_reply, &QObject::destroyed, m_state->context(), [weak] {
            auto state = weak.lock();
            if (!state || state->isDone())
                return;
            state->response = HttpResponse{};
            state->response.error = QNetworkReply::OperationCanceledError;
            state->resume();
        });
        QObject::connect(m_reply, &QNetworkReply::metaDataChanged, m_state->context(), [weak] {
            auto state = weak.lock();
            if (!state || state->isDone() || !state->reply)
                return;
            const QVariant length = state->reply->header(QNetworkRequest::ContentLengthHeader);
            if (length.isValid() && length.toLongLong() > state->cap)
                state->refuseBody();
        });
        QObject::connect(m_reply, &QIODevice::readyRead, m_state->context(), [weak] {
            auto state = weak.lock();
            if (!state || state->isDone() || !state->reply)
                return;
            QNetworkReply* reply = state->reply;
            // Never more than one byte past the cap.
            state->response.body +=
                reply->read(std::max<qint64>(0, state->cap + 1 - state->response.body.size()));
            if (state->response.body.size() > state->cap)
                state->refuseBody();
        });
        auto* deadline = new QTimer(m_state->context());
        deadline->setSingleShot(true);
        QObject::connect(deadline, &QTimer::timeout, m_state->context(), [weak] {
            auto state = weak.lock();
            if (!state || state->isDone() || !state->reply)
                return;
            state->pastDeadline = true;
            state->stop();
        });
        deadline->start(std::max(m_deadline, std::chrono::milliseconds(1)));
        QObject::connect(m_reply, &QNetworkReply::finished, m_state->context(), [weak] {
            if (auto state = weak.lock(); state && !state->isDone())
                state->finish();
        });

        m_callback = m_token.onCancel([weak] {
            if (auto state = weak.lock()) {
                state->post([](detail::Suspension& s) {
                    auto& state = static_cast<GetState&>(s);
                    state.response = HttpResponse{};
                    state.response.error = QNetworkReply::OperationCanceledError;
                    if (QNetworkReply* reply = state.reply) {
                        QObject::disconnect(reply, nullptr, state.context(), nullptr);
                        reply->abort();
                        reply->deleteLater();
                    }
                    state.resume();
                });
            }
        });
    }

    HttpResponse await_resume() {
        m_token.removeCallback(m_callback);
        return std::move(m_state->response);
    }

private:
    QNetworkReply* m_reply;
    CancelToken m_token;
    qint64 m_cap;
    std::chrono::milliseconds m_deadline;
    std::shared_ptr<GetState> m_state;
    quint64 m_callback = 0;
};

} // namespace

HttpSession::HttpSession(std::chrono::milliseconds transferTimeout, qint64 bodyCap)
    : m_manager(std::make_unique<QNetworkAccessManager>())
    , m_transferTimeout(transferTimeout)
    , m_deadline(transferTimeout)
    , m_bodyCap(bodyCap) {
    m_manager->setCookieJar(new RefusingCookieJar(m_manager.get()));
    m_manager->setCache(nullptr);
}

HttpSession::~HttpSession() = default;

void HttpSession::setTimeout(std::chrono::milliseconds timeout) {
    m_transferTimeout = timeout;
    m_deadline = timeout;
}

QCoro::Task<HttpResponse> HttpSession::get(QNetworkRequest request, CancelToken token) {
    if (token.isCancelled() || !request.url().isValid() || request.url().isRelative())
        co_return unusableRequest();

    request.setTransferTimeout(static_cast<int>(m_transferTimeout.count()));
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute,
                         QNetworkRequest::AlwaysNetwork);
    request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
    request.setAttribute(QNetworkRequest::CookieSaveControlAttribute, QNetworkRequest::Manual);
    if (!m_keepsConnections)
        request.setAttribute(QNetworkRequest::ConnectionCacheExpiryTimeoutSecondsAttribute, 0);
    // Asking for the body as it is turns off the network layer's own decompression: a few
    // kilobytes of gzip could otherwise unfold into gigabytes before the cap sees a byte.
    // A server that compresses anyway sends bytes no decoder here accepts.
    request.setRawHeader("Accept-Encoding", "identity");
    QNetworkReply* reply = m_manager->get(request);
    // A named awaiter: g++ 12 destroys temporaries of a co_await expression twice.
    GetAwaiter awaiter(reply, std::move(token), m_bodyCap, m_deadline);
    co_return co_await awaiter;
}

} // namespace async
