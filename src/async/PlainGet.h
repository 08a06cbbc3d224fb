#pragma once

#include "async/CancelToken.h"
#include "async/HttpSession.h"

#include <QCoroTask>
#include <QString>
#include <QUrl>

#include <optional>

// Requests to timers on the local network that need no credentials: the address of one path
// on one host, the plain GET of it, and the checked fetch of one JSON record. Nothing here ever
// fails with an error; every failure folds into an absent result.
namespace async {

// "http://host:port/path", or nothing when the text does not form exactly that address (a host
// with spaces, a port out of range, a host that smuggles in a path or user name).
std::optional<QUrl> requestUrl(const QString& host, qint64 port, const QString& path);

// One GET of "http://host:port/path" that follows a redirect only on the same server. A URL
// that cannot be formed is a transport failure and sends nothing.
QCoro::Task<HttpResponse> plainGet(HttpSession& session, QString host, qint64 port, QString path,
                                   CancelToken token = {});

// The outcome of fetchChecked: the record, if one came back, and whether the host answered at
// all.
template <typename T>
struct Fetched {
    std::optional<T> value;
    bool reachable = false;
};

// GETs a path and decodes its body with `decode(const QByteArray&) -> std::optional<T>` when
// the status is 2xx. A body beyond the session's cap counts as undecodable.
template <typename T, typename Decode>
QCoro::Task<Fetched<T>> fetchChecked(Decode decode, QString host, qint64 port, QString path,
                                     HttpSession& session, CancelToken token = {}) {
    // Named first: g++ 12 destroys temporaries inside a co_await expression twice.
    auto pending = plainGet(session, std::move(host), port, std::move(path), std::move(token));
    const HttpResponse response = co_await std::move(pending);
    Fetched<T> result;
    if (!response.received)
        co_return result;
    result.reachable = true;
    if (response.status >= 200 && response.status <= 299 && !response.bodyTooLarge)
        result.value = decode(response.body);
    co_return result;
}

// The same with the record's own decoder, T::decode.
template <typename T>
QCoro::Task<Fetched<T>> fetchChecked(QString host, qint64 port, QString path, HttpSession& session,
                                     CancelToken token = {}) {
    auto pending = fetchChecked<T>(&T::decode, std::move(host), port, std::move(path), session,
                                   std::move(token));
    co_return co_await std::move(pending);
}

} // namespace async
