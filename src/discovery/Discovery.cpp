#include "discovery/Discovery.h"

#include "async/ServerAddress.h"
#include "ontime/OntimeRecords.h"
#include "json/CleanText.h"

#include <QCoreApplication>
#include <QNetworkRequest>
#include <QStringDecoder>
#include <QThread>
#include <QThreadStorage>

#include <atomic>
#include <mutex>

namespace Discovery {
namespace {

std::atomic<qint64> requestTimeoutMs{Timeouts{}.request.count()};
std::atomic<qint64> scanTimeoutMs{Timeouts{}.scan.count()};

// Deleted with their thread; the main thread's when the application object goes away.
QThreadStorage<async::HttpSession*> requestSessions;
QThreadStorage<async::HttpSession*> scanSessions;

// The application thread's sessions go while its event loop still exists, so that the
// replies they end are taken down with them.
void dropApplicationSessions() {
    requestSessions.setLocalData(nullptr);
    scanSessions.setLocalData(nullptr);
}

// The time without data bounds the whole request too: these answers are a few hundred bytes.
async::HttpSession& threadSession(QThreadStorage<async::HttpSession*>& storage, qint64 timeoutMs,
                                  qint64 bodyCap) {
    if (!storage.hasLocalData()) {
        if (QCoreApplication::instance() &&
            QThread::currentThread() == QCoreApplication::instance()->thread()) {
            static std::once_flag once;
            std::call_once(once, [] { qAddPostRoutine(&dropApplicationSessions); });
        }
        storage.setLocalData(new async::HttpSession(std::chrono::milliseconds(timeoutMs), bodyCap));
    }
    async::HttpSession* session = storage.localData();
    session->setTransferTimeout(std::chrono::milliseconds(timeoutMs));
    session->setDeadline(std::chrono::milliseconds(timeoutMs));
    return *session;
}

// A probe reads a version text or the first bytes of a page: a host on the scanned network
// that streams a huge answer costs no more than this.
constexpr qint64 scanBodyCap = 64 * 1024;

constexpr qsizetype stagetimerPrefixBytes = 400;

} // namespace

Timeouts timeouts() {
    return Timeouts{std::chrono::milliseconds(requestTimeoutMs.load()),
                    std::chrono::milliseconds(scanTimeoutMs.load())};
}

void setTimeouts(const Timeouts& timeouts) {
    requestTimeoutMs.store(timeouts.request.count());
    scanTimeoutMs.store(timeouts.scan.count());
}

async::HttpSession& session() {
    return threadSession(requestSessions, requestTimeoutMs.load(),
                         async::HttpSession::defaultBodyCap);
}

async::HttpSession& scanSession() {
    return threadSession(scanSessions, scanTimeoutMs.load(), scanBodyCap);
}

std::optional<QUrl> requestUrl(const QString& host, qint64 port, const QString& path) {
    const QString text = QStringLiteral("http://") + async::urlHost(host) + u':' +
                         QString::number(port) + u'/' + path;
    const QUrl url(text, QUrl::StrictMode);
    // Text that parses into some other address (a host holding "/", "@" or "#") must not send
    // a request to a port or path nobody asked for.
    if (!url.isValid() || url.host().isEmpty() || url.port() != port || url.path() != u'/' + path ||
        !url.userInfo().isEmpty() || url.hasQuery() || url.hasFragment())
        return std::nullopt;
    return url;
}

QCoro::Task<async::HttpResponse> get(async::HttpSession& session, QString host, qint64 port,
                                     QString path, async::CancelToken token) {
    const std::optional<QUrl> url = requestUrl(host, port, path);
    if (!url)
        co_return async::HttpResponse{};
    QNetworkRequest request(*url);
    // A timer on the local network has no business sending us anywhere else.
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::SameOriginRedirectPolicy);
    // A scan touches thousands of hosts once each; cached idle connections to all of them
    // would cost some 25 KB per address until the session goes away. Polls keep theirs.
    if (scanSessions.hasLocalData() && scanSessions.localData() == &session)
        request.setAttribute(QNetworkRequest::ConnectionCacheExpiryTimeoutSecondsAttribute, 0);
    co_return co_await session.get(std::move(request), std::move(token));
}

QCoro::Task<std::optional<OntimeServer>>
probe(QString host, qint64 port, async::HttpSession& session, async::CancelToken token) {
    const Fetched<VersionResponse> version = co_await fetchChecked<VersionResponse>(
        host, port, probePath(OntimeAPI::v3), session, token);
    if (version.value)
        co_return OntimeServer{host, port, OntimeAPI::v3,
                               cleanText(version.value->payload, labelLength)};
    if (!version.reachable)
        co_return std::nullopt;
    const Fetched<LegacyInfo> legacy =
        co_await fetchChecked<LegacyInfo>(host, port, probePath(OntimeAPI::v1), session, token);
    if (legacy.value)
        co_return OntimeServer{host, port, OntimeAPI::v1, QStringLiteral("1.x")};
    co_return std::nullopt;
}

bool namesStagetimer(const QByteArray& body) {
    // Stateless: a sequence cut off at the end of the prefix is an error, not pending input.
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decoder.decode(
        QByteArrayView(body).first(std::min<qsizetype>(body.size(), stagetimerPrefixBytes)));
    if (decoder.hasError())
        return false;
    return text.contains(u"stagetimer", Qt::CaseInsensitive);
}

namespace {

QCoro::Task<bool> says(async::HttpSession& session, QString host, qint64 port, QString path,
                       async::CancelToken token) {
    const async::HttpResponse response =
        co_await get(session, std::move(host), port, std::move(path), std::move(token));
    co_return response.received&& namesStagetimer(response.body);
}

} // namespace

QCoro::Task<std::optional<StagetimerDesktop>>
probeStagetimer(QString host, qint64 port, async::HttpSession& session, async::CancelToken token) {
    const bool current = co_await says(session, host, port, QStringLiteral("api/v1/"), token);
    if (current)
        co_return StagetimerDesktop{host, port, true};
    const bool old = co_await says(session, host, port, QStringLiteral("api/v0/"), token);
    if (old)
        co_return StagetimerDesktop{host, port, false};
    co_return std::nullopt;
}

} // namespace Discovery
