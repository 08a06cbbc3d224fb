#include "async/HttpSession.h"

#include "async/HttpExchange.h"
#include "async/IdleConnections.h"
#include "async/ServerAddress.h"

#include <QDeadlineTimer>
#include <QUrl>

#include <algorithm>
#include <optional>

namespace async {
namespace {

// A server may move an answer a few times on itself; more is a loop.
constexpr int maxRedirects = 5;

// Headers the session writes itself; a request's own copy of them is left out.
bool isSessionHeader(QByteArrayView name) {
    for (const char* own : {"host", "connection", "accept-encoding", "user-agent", "content-length",
                            "transfer-encoding"})
        if (name.compare(own, Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

bool isTokenChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
           QByteArrayView("!#$%&'*+-.^_`|~").contains(c);
}

// Header text that cannot end a line early or smuggle in a header of its own.
bool isUsableField(const QByteArray& name, const QByteArray& value) {
    return !name.isEmpty() && std::all_of(name.begin(), name.end(), isTokenChar) &&
           std::none_of(value.begin(), value.end(),
                        [](char c) { return c == '\r' || c == '\n' || c == '\0'; });
}

int defaultPort(const QString& scheme) {
    return scheme == u"https" ? 443 : 80;
}

// The request as it goes on the wire, or nothing when the URL or a header cannot be sent as
// they are.
std::optional<detail::ExchangeRequest>
buildRequest(const QUrl& url, const QList<QPair<QByteArray, QByteArray>>& headers,
             bool keepConnection) {
    const QString scheme = url.scheme();
    if (!url.isValid() || url.isRelative() || url.host().isEmpty() ||
        (scheme != u"http" && scheme != u"https"))
        return std::nullopt;
    QByteArray target = url.path(QUrl::FullyEncoded).toLatin1();
    if (target.isEmpty())
        target = "/";
    if (url.hasQuery())
        target += '?' + url.query(QUrl::FullyEncoded).toLatin1();
    if (!target.startsWith('/') ||
        std::any_of(target.begin(), target.end(), [](char c) { return uchar(c) <= ' '; }))
        return std::nullopt;

    detail::ExchangeRequest request;
    request.host = url.host();
    request.port = quint16(url.port(defaultPort(scheme)));
    request.encrypted = scheme == u"https";
    request.key = scheme + u'/' + request.host + u'/' + QString::number(request.port);

    QByteArray authority = urlHost(request.host).toUtf8();
    if (url.port() >= 0)
        authority += ':' + QByteArray::number(url.port());
    request.bytes = "GET " + target + " HTTP/1.1\r\nHost: " + authority + "\r\n";
    // Some services behind content networks refuse requests without a user agent.
    request.bytes += "User-Agent: Mozilla/5.0\r\n";
    // A few kilobytes of gzip could otherwise unfold into gigabytes. A server that compresses
    // anyway sends bytes no decoder here accepts.
    request.bytes += "Accept-Encoding: identity\r\n";
    request.bytes += keepConnection ? "Connection: keep-alive\r\n" : "Connection: close\r\n";
    for (const auto& [name, value] : headers) {
        if (!isUsableField(name, value))
            return std::nullopt;
        if (!isSessionHeader(name))
            request.bytes += name + ": " + value + "\r\n";
    }
    request.bytes += "\r\n";
    return request;
}

// Where a redirect answer points, when that is another path on the same server.
std::optional<QUrl> sameServerTarget(const QUrl& from, const QByteArray& location) {
    if (location.isEmpty())
        return std::nullopt;
    const QUrl to = from.resolved(QUrl(QString::fromLatin1(location), QUrl::StrictMode));
    if (!to.isValid() || to.scheme() != from.scheme() || to.host() != from.host() ||
        to.port(defaultPort(to.scheme())) != from.port(defaultPort(from.scheme())) ||
        !to.userInfo().isEmpty())
        return std::nullopt;
    return to.adjusted(QUrl::RemoveFragment);
}

bool isRedirect(int status) {
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

// Network-layer errors: nothing usable came back from the server.
HttpResponse unusableRequest() {
    HttpResponse response;
    response.error = QNetworkReply::ProtocolUnknownError;
    return response;
}

// Waits for one exchange; cancelling the token ends it on a later turn of the event loop
// (at once under an ImmediateCancellation).
class ExchangeAwaiter {
public:
    ExchangeAwaiter(detail::ExchangeRequest request, ResponseLimits limits,
                    std::weak_ptr<IdleConnections> idle, QDeadlineTimer deadline,
                    std::chrono::milliseconds idleTimeout, CancelToken token,
                    std::vector<std::weak_ptr<detail::HttpExchange>>& running)
        : m_request(std::move(request))
        , m_limits(limits)
        , m_idle(std::move(idle))
        , m_deadline(deadline)
        , m_idleTimeout(idleTimeout)
        , m_token(std::move(token))
        , m_running(running) {}

    bool await_ready() const { return false; }

    void await_suspend(std::coroutine_handle<> handle) {
        m_state = std::make_shared<detail::HttpExchange>(handle, std::move(m_request), m_limits,
                                                         std::move(m_idle));
        std::erase_if(m_running, [](const auto& weak) { return weak.expired(); });
        m_running.push_back(m_state);
        m_state->start(m_deadline, m_idleTimeout);
        std::weak_ptr<detail::HttpExchange> weak = m_state;
        m_callback = m_token.onCancel([weak] {
            if (auto state = weak.lock())
                state->post([](detail::Suspension& s) {
                    static_cast<detail::HttpExchange&>(s).end(
                        QNetworkReply::OperationCanceledError);
                });
        });
    }

    detail::ExchangeResult await_resume() {
        m_token.removeCallback(m_callback);
        return m_state->takeResult();
    }

private:
    detail::ExchangeRequest m_request;
    ResponseLimits m_limits;
    std::weak_ptr<IdleConnections> m_idle;
    QDeadlineTimer m_deadline;
    std::chrono::milliseconds m_idleTimeout;
    CancelToken m_token;
    std::vector<std::weak_ptr<detail::HttpExchange>>& m_running;
    std::shared_ptr<detail::HttpExchange> m_state;
    quint64 m_callback = 0;
};

} // namespace

HttpSession::HttpSession(std::chrono::milliseconds transferTimeout, qint64 bodyCap)
    : m_transferTimeout(transferTimeout)
    , m_deadline(transferTimeout)
    , m_bodyCap(bodyCap)
    , m_idle(std::make_shared<IdleConnections>()) {}

HttpSession::~HttpSession() {
    // Their connections go with them; their coroutines learn it at once.
    const auto running = std::move(m_running);
    for (const auto& weak : running)
        if (const auto exchange = weak.lock())
            exchange->end(QNetworkReply::OperationCanceledError);
}

void HttpSession::setTimeout(std::chrono::milliseconds timeout) {
    m_transferTimeout = timeout;
    m_deadline = timeout;
}

QCoro::Task<HttpResponse> HttpSession::get(QNetworkRequest request, CancelToken token) {
    if (token.isCancelled())
        co_return unusableRequest();
    QList<QPair<QByteArray, QByteArray>> headers;
    for (const QByteArray& name : request.rawHeaderList())
        headers.append({name, request.rawHeader(name)});
    const bool followRedirects =
        request.attribute(QNetworkRequest::RedirectPolicyAttribute).toInt() ==
        QNetworkRequest::SameOriginRedirectPolicy;
    // Named: g++ 12 destroys temporaries of a co_await expression twice.
    auto exchanging =
        exchange(request.url(), std::move(headers), followRedirects, std::move(token));
    co_return co_await std::move(exchanging);
}

QCoro::Task<HttpResponse> HttpSession::exchange(QUrl url,
                                                QList<QPair<QByteArray, QByteArray>> headers,
                                                bool followRedirects, CancelToken token) {
    // One deadline for the request and every redirect it follows.
    const QDeadlineTimer deadline(m_deadline);
    ResponseLimits limits;
    limits.bodyBytes = m_bodyCap;
    std::weak_ptr<IdleConnections> idle;
    if (m_keepsConnections)
        idle = m_idle;
    for (int redirects = 0;; ++redirects) {
        if (token.isCancelled()) {
            HttpResponse cancelled;
            cancelled.error = QNetworkReply::OperationCanceledError;
            co_return cancelled;
        }
        std::optional<detail::ExchangeRequest> built =
            buildRequest(url, headers, m_keepsConnections);
        if (!built)
            co_return unusableRequest();
        ExchangeAwaiter awaiter(std::move(*built), limits, idle, deadline, m_transferTimeout, token,
                                m_running);
        detail::ExchangeResult result = co_await awaiter;
        const std::optional<QUrl> next = followRedirects && result.response.received &&
                                                 isRedirect(result.response.status) &&
                                                 redirects < maxRedirects
                                             ? sameServerTarget(url, result.location)
                                             : std::nullopt;
        if (!next)
            co_return std::move(result.response);
        url = *next;
    }
}

} // namespace async
