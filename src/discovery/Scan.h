#pragma once

#include "async/CancelToken.h"
#include "async/HttpSession.h"
#include "discovery/StagetimerDesktop.h"

#include <QCoroTask>
#include <QList>
#include <QString>
#include <QStringList>

#include <algorithm>
#include <functional>
#include <memory>
#include <optional>

namespace Discovery {

// Asks one address whether the server a scan looks for runs there on `port`: the record of
// what answers, or nothing. The scan calls it on a thread of its own, with that thread's scan
// session; it must hold no state.
template <typename Found>
using HostProbe = std::function<QCoro::Task<std::optional<Found>>(
    QString host, qint64 port, async::HttpSession& session, async::CancelToken token)>;

// Called on the calling thread before each batch with the number of addresses handed out so
// far, the number in total and the servers found in earlier batches. The next batch starts
// only after it has returned.
template <typename Found>
using ScanProgress =
    std::function<void(qsizetype done, qsizetype total, const QList<Found>& servers)>;

// What one network scan found, with its report text.
template <typename Found>
struct ScanResult {
    QList<Found> servers;
    QList<StagetimerDesktop> stagetimers;
    QString info;
};

inline constexpr qsizetype scanBatchSize = 128;

// Compares texts as people read them: runs of digits by their value, so that 192.168.1.9 sorts
// before 192.168.1.10; other characters without regard to case.
int naturalCompare(QStringView a, QStringView b);

// The report's last line: addresses checked, Ontime servers and Stagetimer applications found.
QString scanSummary(qsizetype addresses, qsizetype servers, qsizetype stagetimers);

namespace detail {

// The part of a scan that depends on what its probe finds, seen from the scan's thread. The
// scan thread alone calls it while the scan runs.
class ServerProbe {
public:
    virtual ~ServerProbe() = default;
    // Probes one address and keeps what it finds.
    virtual QCoro::Task<> probe(QString host, async::HttpSession& session,
                                async::CancelToken token) = 0;
    // The progress call before a batch, with the servers found so far, to be run on the
    // calling thread; none when nobody asked for progress.
    virtual std::function<void()> progressCall(qsizetype done, qsizetype total) const = 0;
};

// What the untyped part of a scan hands back: the report lines and the number of addresses,
// the Stagetimer applications sorted by host, and whether the scan thread has finished (and so
// left the findings of the server probe to the caller).
struct ScanRun {
    QStringList reportLines;
    qsizetype addresses = 0;
    QList<StagetimerDesktop> stagetimers;
    bool finished = false;
};

QCoro::Task<ScanRun> runScan(std::shared_ptr<ServerProbe> servers, qint64 stagetimerPort,
                             async::CancelToken token);

QString reportText(const ScanRun& run, qsizetype servers);

template <typename Found>
class TypedServerProbe final : public ServerProbe {
public:
    TypedServerProbe(HostProbe<Found> probe, qint64 port, ScanProgress<Found> progress)
        : m_probe(std::move(probe))
        , m_port(port)
        , m_progress(std::move(progress)) {}

    QCoro::Task<> probe(QString host, async::HttpSession& session,
                        async::CancelToken token) override {
        auto probing = m_probe(std::move(host), m_port, session, std::move(token));
        const std::optional<Found> server = co_await std::move(probing);
        // Each probe files its own finding when it ends, so equal hosts keep the order in
        // which their probes finished.
        if (server)
            m_found.append(*server);
    }

    std::function<void()> progressCall(qsizetype done, qsizetype total) const override {
        if (!m_progress)
            return {};
        return [progress = m_progress, done, total, servers = m_found] {
            progress(done, total, servers);
        };
    }

    QList<Found> takeFound() { return std::move(m_found); }

private:
    HostProbe<Found> m_probe;
    qint64 m_port;
    ScanProgress<Found> m_progress;
    QList<Found> m_found;
};

} // namespace detail

// Probes every address of the local networks with `probe` on `port` and for a Stagetimer
// desktop application on `stagetimerPort`, 128 addresses at a time with both probes of an
// address running together. The probes run on a thread of their own, so the calling thread
// stays free; progress and the result come back to the calling thread. Cancelling the token
// stops before the next batch, aborts the requests in flight, and still returns what was
// found. Servers (by their `host`) and applications are sorted by host. Callers name the record
// type: scan<Record>(probe, …).
template <typename Found>
QCoro::Task<ScanResult<Found>> scan(HostProbe<Found> probe, qint64 port, qint64 stagetimerPort,
                                    ScanProgress<Found> progress = {},
                                    async::CancelToken token = {}) {
    auto servers = std::make_shared<detail::TypedServerProbe<Found>>(std::move(probe), port,
                                                                     std::move(progress));
    auto running = detail::runScan(servers, stagetimerPort, std::move(token));
    detail::ScanRun run = co_await std::move(running);

    ScanResult<Found> result;
    // Before the scan thread has finished it still writes the findings: a caller that goes
    // away early gets none.
    if (run.finished)
        result.servers = servers->takeFound();
    std::stable_sort(
        result.servers.begin(), result.servers.end(),
        [](const Found& a, const Found& b) { return naturalCompare(a.host, b.host) < 0; });
    result.info = detail::reportText(run, result.servers.size());
    result.stagetimers = std::move(run.stagetimers);
    co_return result;
}

} // namespace Discovery
