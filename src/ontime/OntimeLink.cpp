#include "ontime/OntimeLink.h"

#include "async/Clock.h"
#include "async/PlainGet.h"
#include "async/RequestSessions.h"
#include "async/SignalWait.h"
#include "async/Sleep.h"
#include "ontime/OntimeLog.h"
#include "ontime/OntimeRecords.h"

#include <QRandomGenerator>

#include <utility>

namespace {

qint64 monotonicNow() {
    return async::Clock::instance().monotonicMs();
}

} // namespace

OntimeLink::OntimeLink(const OntimeServer& server, const Timing& timing, QObject* parent)
    : QObject(parent)
    , m_server(server)
    , m_timing(timing)
    , m_generation(server.api == OntimeAPI::v3 ? OntimeGeneration::of(server.version)
                                               : OntimeGeneration{false, false, SecondsRule::up}) {
    m_silence.setSingleShot(true);
    m_silence.setInterval(timing.socket.silence);
    QObject::connect(&m_silence, &QTimer::timeout, this, [this] {
        if (m_kind == Kind::socket)
            Q_EMIT interrupted();
    });
}

OntimeLink::~OntimeLink() = default;

void OntimeLink::setKind(Kind kind) {
    if (m_kind == kind)
        return;
    m_kind = kind;
    if (kind != Kind::socket)
        m_silence.stop();
    Q_EMIT kindChanged();
}

bool OntimeLink::failed() {
    if (m_failures + 1 >= lostAfter) {
        qCDebug(lcOntime) << "dropping" << m_server.label() << "after" << lostAfter << "failures";
        m_silence.stop();
        Q_EMIT lost();
        return false;
    }
    ++m_failures;
    return true;
}

std::chrono::milliseconds OntimeLink::jitteredPollInterval() const {
    // Requests that fall at ever other moments of the server's second: its clock value is
    // fresh just after it ticks, and the freshest answer is what the time is reckoned from.
    const double factor = 0.8 + 0.4 * QRandomGenerator::global()->generateDouble();
    return std::chrono::milliseconds(qRound64(double(m_timing.pollInterval.count()) * factor));
}

QCoro::Task<> OntimeLink::run(async::CancelToken token) {
    if (!async::requestUrl(m_server.host, m_server.port, pollPath(m_server.api)))
        co_return;
    const bool socketOffered = m_timing.preferSocket && m_generation.socket &&
                               OntimeSocket::url(m_server.host, m_server.port).has_value();
    setKind(socketOffered ? Kind::socket : Kind::poll);
    // Set while the poll is the link and the socket gets another chance: failing it then
    // costs nothing, the poll goes on.
    bool onTrial = false;
    while (!token.isCancelled()) {
        if (m_kind == Kind::socket) {
            auto connection = socketSession(token);
            const Session session = co_await std::move(connection);
            if (token.isCancelled())
                co_return;
            if (session.end == OntimeSocket::End::flooded) {
                // Whatever floods us is not a timer's socket; its poll may still be.
                if (!failed())
                    co_return;
                pollInstead();
                continue;
            }
            if (session.heard) {
                m_failures = 0;
                const bool steady = session.lastedMs >= m_timing.steadyAfter.count();
                if (steady)
                    m_socketFailures = 0;
                // On trial, one short connection is enough to go back to the poll.
                if (!steady && (std::exchange(onTrial, false) ||
                                ++m_socketFailures >= int(m_timing.reconnectPauses.size()))) {
                    pollInstead();
                    continue;
                }
                onTrial = false;
                auto pause =
                    async::sleep(m_timing.reconnectPauses[size_t(m_socketFailures)], token);
                if (!co_await std::move(pause))
                    co_return;
                continue;
            }
            if (onTrial) {
                onTrial = false;
                pollInstead();
                continue;
            }
            // The socket did not take: a server that answers its poll is read that way,
            // one that does not has failed once more.
            auto polling = pollOnce(token);
            const bool answered = co_await std::move(polling);
            if (token.isCancelled())
                co_return;
            if (answered) {
                pollInstead();
            } else {
                if (!failed())
                    co_return;
                if (++m_socketFailures >= int(m_timing.reconnectPauses.size())) {
                    pollInstead();
                    continue;
                }
                auto pause =
                    async::sleep(m_timing.reconnectPauses[size_t(m_socketFailures - 1)], token);
                if (!co_await std::move(pause))
                    co_return;
                continue;
            }
        } else {
            auto polling = pollOnce(token);
            const bool answered = co_await std::move(polling);
            if (token.isCancelled())
                co_return;
            if (answered) {
                if (socketOffered && monotonicNow() >= m_socketRetryAt) {
                    onTrial = true;
                    setKind(Kind::socket);
                    continue;
                }
            } else {
                if (m_failures >= interruptedAfter - 1)
                    Q_EMIT interrupted();
                if (!failed())
                    co_return;
            }
        }
        auto pause = async::sleep(jitteredPollInterval(), token);
        if (!co_await std::move(pause))
            co_return;
    }
}

void OntimeLink::pollInstead() {
    qCDebug(lcOntime) << "polling" << m_server.label() << "instead of its socket";
    m_socketFailures = 0;
    m_socketRetryAt = monotonicNow() + m_timing.socketRetry.count();
    setKind(Kind::poll);
}

QCoro::Task<OntimeLink::Session> OntimeLink::socketSession(async::CancelToken token) {
    const std::optional<QUrl> url = OntimeSocket::url(m_server.host, m_server.port);
    // Lives in this frame: the wait below resumes on a later turn of the event loop, never
    // inside one of the socket's own signals.
    OntimeSocket socket(*url, m_generation.batches, m_timing.socket);
    QObject::connect(&socket, &OntimeSocket::heardFrom, &m_silence, qOverload<>(&QTimer::start));
    QObject::connect(&socket, &OntimeSocket::updated, this,
                     [this](const RuntimeUpdate& update) { Q_EMIT updated(update, Kind::socket); });
    qCDebug(lcOntime) << "opening the socket of" << m_server.label();
    const qint64 opened = monotonicNow();
    socket.open();
    if (!socket.hasEnded()) {
        auto ending = async::waitForSignal(&socket, &OntimeSocket::ended, token);
        co_await std::move(ending);
    }
    // Cancelled: nothing of the link may be touched any more.
    if (token.isCancelled())
        co_return Session{};
    qCDebug(lcOntime) << "socket of" << m_server.label() << "ended:" << int(socket.end());
    co_return Session{socket.end(), socket.heard(), monotonicNow() - opened};
}

QCoro::Task<bool> OntimeLink::pollOnce(async::CancelToken token) {
    auto request = async::plainGet(async::requestSession(), m_server.host, m_server.port,
                                   pollPath(m_server.api), token);
    const async::HttpResponse response = co_await std::move(request);
    if (token.isCancelled())
        co_return false;
    if (!response.received) {
        qCDebug(lcOntime) << "poll failed:" << response.error
                          << "failures in a row:" << m_failures + 1;
        co_return false;
    }
    if (response.status < 200 || response.status > 299)
        qCDebug(lcOntime) << "poll answered with HTTP status" << response.status;
    if (!response.bodyTooLarge && takeOverBody(response.body, monotonicNow())) {
        m_failures = 0;
        co_return true;
    }
    qCDebug(lcOntime) << "poll answer does not decode; keeping the last values";
    co_return false;
}

bool OntimeLink::takeOverBody(const QByteArray& body, qint64 receivedMonotonic) {
    if (m_server.api == OntimeAPI::v3) {
        if (std::optional<PollResponse> response = PollResponse::decode(body)) {
            RuntimeUpdate update;
            update.data = std::move(response->payload);
            update.receivedMonotonic = receivedMonotonic;
            Q_EMIT updated(update, Kind::poll);
            return true;
        }
    } else if (const std::optional<LegacyPoll> poll = LegacyPoll::decode(body)) {
        Q_EMIT legacyUpdated(*poll, receivedMonotonic);
        return true;
    }
    return false;
}
