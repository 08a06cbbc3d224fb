#include "async/PlainGet.h"

#include "async/ServerAddress.h"

#include <QNetworkRequest>

namespace async {

std::optional<QUrl> requestUrl(const QString& host, qint64 port, const QString& path) {
    const QString text =
        QStringLiteral("http://") + urlHost(host) + u':' + QString::number(port) + u'/' + path;
    const QUrl url(text, QUrl::StrictMode);
    // Text that parses into some other address (a host holding "/", "@" or "#") must not send
    // a request to a port or path nobody asked for.
    if (!url.isValid() || url.host().isEmpty() || url.port() != port || url.path() != u'/' + path ||
        !url.userInfo().isEmpty() || url.hasQuery() || url.hasFragment())
        return std::nullopt;
    return url;
}

QCoro::Task<HttpResponse> plainGet(HttpSession& session, QString host, qint64 port, QString path,
                                   CancelToken token) {
    const std::optional<QUrl> url = requestUrl(host, port, path);
    if (!url)
        co_return HttpResponse{};
    QNetworkRequest request(*url);
    // A timer on the local network has no business sending us anywhere else.
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::SameOriginRedirectPolicy);
    auto pending = session.get(std::move(request), std::move(token));
    co_return co_await std::move(pending);
}

} // namespace async
