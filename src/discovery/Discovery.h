#pragma once

#include "async/CancelToken.h"
#include "async/HttpSession.h"
#include "discovery/StagetimerDesktop.h"
#include "ontime/OntimeServer.h"

#include <QCoroTask>
#include <QString>
#include <QUrl>

#include <chrono>
#include <optional>

// Requests to timers on the local network: the shared request sessions, the checked fetch of
// one JSON record, and the probes that tell whether a host runs Ontime or a Stagetimer
// desktop application. Nothing here ever fails with an error; every failure folds into an
// absent result.
namespace Discovery {

// How long a request may go without receiving data. Process-wide; tests shorten them.
struct Timeouts {
    // Probes of one host and every poll.
    std::chrono::milliseconds request{1500};
    // The network scan.
    std::chrono::milliseconds scan{800};
};
Timeouts timeouts();
void setTimeouts(const Timeouts& timeouts);

// The session for probes of one host and for polls, and the one for the network scan. An
// HTTP session belongs to one thread, so each thread gets its own, made on its first use.
async::HttpSession& session();
async::HttpSession& scanSession();

// "http://host:port/path", or nothing when the text does not form exactly that address (a
// host with spaces, a port out of range, a host that smuggles in a path or user name).
std::optional<QUrl> requestUrl(const QString& host, qint64 port, const QString& path);

// One plain GET of "http://host:port/path". A URL that cannot be formed is a transport
// failure and sends nothing.
QCoro::Task<async::HttpResponse> get(async::HttpSession& session, QString host, qint64 port,
                                     QString path, async::CancelToken token = {});

// The outcome of fetchChecked: the record, if one came back, and whether the host answered
// at all.
template <typename T>
struct Fetched {
    std::optional<T> value;
    bool reachable = false;
};

// GETs a path and decodes its body with `decode(const QByteArray&) -> std::optional<T>` when
// the status is 2xx. A body beyond the session's cap counts as undecodable.
template <typename T, typename Decode>
QCoro::Task<Fetched<T>> fetchChecked(Decode decode, QString host, qint64 port, QString path,
                                     async::HttpSession& session, async::CancelToken token = {}) {
    const async::HttpResponse response =
        co_await get(session, std::move(host), port, std::move(path), std::move(token));
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
QCoro::Task<Fetched<T>> fetchChecked(QString host, qint64 port, QString path,
                                     async::HttpSession& session, async::CancelToken token = {}) {
    co_return co_await fetchChecked<T>(&T::decode, std::move(host), port, std::move(path), session,
                                       std::move(token));
}

// Tells whether a host runs Ontime and which interface generation it speaks. The current
// interface is asked first; a host that does not answer at all costs one request, a host
// that answers without being Ontime two.
QCoro::Task<std::optional<OntimeServer>>
probe(QString host, qint64 port, async::HttpSession& session, async::CancelToken token = {});

// Whether the first 400 bytes of a body are UTF-8 text that names Stagetimer. A prefix that
// cuts a multi-byte character is not valid text.
bool namesStagetimer(const QByteArray& body);

// Tells whether a Stagetimer desktop application answers on the port, on its current
// interface ("api/v1/") or only on its old one ("api/v0/").
QCoro::Task<std::optional<StagetimerDesktop>> probeStagetimer(QString host, qint64 port,
                                                              async::HttpSession& session,
                                                              async::CancelToken token = {});

} // namespace Discovery
