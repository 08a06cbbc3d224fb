#include "async/HttpSession.h"

#include "async/Suspension.h"

#include <QNetworkAccessManager>
#include <QNetworkCookie>
#include <QNetworkCookieJar>

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

struct GetState : detail::Suspension {
    using Suspension::Suspension;
    QPointer<QNetworkReply> reply;
    qint64 cap = 0;
    HttpResponse response;
};

// Network-layer and proxy errors: nothing usable came back from the server.
HttpResponse unusableRequest() {
    HttpResponse response;
    response.error = QNetworkReply::ProtocolUnknownError;
    return response;
}

bool isTransportError(QNetworkReply::NetworkError error) {
    return error > QNetworkReply::NoError && error < QNetworkReply::ContentAccessDenied;
}

class GetAwaiter {
public:
    GetAwaiter(QNetworkReply* reply, CancelToken token, qint64 cap)
        : m_reply(reply)
        , m_token(std::move(token))
        , m_cap(cap) {}

    bool await_ready() const { return false; }

    void await_suspend(std::coroutine_handle<> handle) {
        m_state = std::make_shared<GetState>(handle);
        m_state->reply = m_reply;
        m_state->cap = m_cap;
        std::weak_ptr<GetState> weak = m_state;

        QObject::connect(m_reply, &QIODevice::readyRead, m_state->context(), [weak] {
            auto state = weak.lock();
            if (!state || state->isDone() || !state->reply)
                return;
            QNetworkReply* reply = state->reply;
            state->response.body += reply->readAll();
            if (state->response.body.size() > state->cap) {
                state->response.bodyTooLarge = true;
                state->response.body.clear();
                state->response.body.squeeze();
                reply->abort(); // emits finished, handled below
            }
        });
        QObject::connect(m_reply, &QNetworkReply::finished, m_state->context(), [weak] {
            if (auto state = weak.lock(); state && !state->isDone())
                finish(*state);
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
    static void finish(GetState& state) {
        QNetworkReply* reply = state.reply;
        HttpResponse& response = state.response;
        const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
        response.error = reply->error();
        if (response.bodyTooLarge) {
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
            response.body += reply->readAll();
            if (response.body.size() > state.cap) {
                response.bodyTooLarge = true;
                response.body.clear();
            }
        }
        reply->deleteLater();
        state.resume();
    }

    QNetworkReply* m_reply;
    CancelToken m_token;
    qint64 m_cap;
    std::shared_ptr<GetState> m_state;
    quint64 m_callback = 0;
};

} // namespace

HttpSession::HttpSession(std::chrono::milliseconds transferTimeout, qint64 bodyCap)
    : m_manager(std::make_unique<QNetworkAccessManager>())
    , m_transferTimeout(transferTimeout)
    , m_bodyCap(bodyCap) {
    m_manager->setCookieJar(new RefusingCookieJar(m_manager.get()));
    m_manager->setCache(nullptr);
}

HttpSession::~HttpSession() = default;

QCoro::Task<HttpResponse> HttpSession::get(QNetworkRequest request, CancelToken token) {
    if (token.isCancelled() || !request.url().isValid() || request.url().isRelative())
        co_return unusableRequest();

    request.setTransferTimeout(static_cast<int>(m_transferTimeout.count()));
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute,
                         QNetworkRequest::AlwaysNetwork);
    request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
    request.setAttribute(QNetworkRequest::CookieSaveControlAttribute, QNetworkRequest::Manual);
    QNetworkReply* reply = m_manager->get(request);
    // A named awaiter: g++ 12 destroys temporaries of a co_await expression twice.
    GetAwaiter awaiter(reply, std::move(token), m_bodyCap);
    co_return co_await awaiter;
}

} // namespace async
