#pragma once

#include "async/CancelToken.h"
#include "async/Sleep.h"
#include "discovery/DiscoveryLog.h"
#include "discovery/Scan.h"
#include "discovery/TimerSearchState.h"

#include <QCoroTask>
#include <QList>
#include <QPointer>

#include <optional>

namespace Discovery {

// The search for timers on the local network: scans with the probe it is given until it finds
// a server (or, when it offers a choice, anything at all), with a pause after each scan that
// found nothing, and keeps what the last scan found. It runs inside its owner's task and
// answers the server to connect to, if it picked one; the owner keeps the task and cancels it.
// `Found` is the record the probe yields, with a `host`.
template <typename Found>
class TimerSearch final : public TimerSearchState {
public:
    TimerSearch(const SettingsStore& settings, HostProbe<Found> probe,
                std::chrono::milliseconds rescanPause, QObject* parent = nullptr)
        : TimerSearchState(settings, rescanPause, parent)
        , m_probe(std::move(probe)) {}

    // Servers known from the last scan and from the owner's connections.
    const QList<Found>& found() const { return m_found; }

    // Adds a server the owner connected to, in place of every entry with its host, unless the
    // list holds that very record already.
    void keep(const Found& server) {
        if (m_found.contains(server))
            return;
        QList<Found> found = m_found;
        found.removeIf([&server](const Found& s) { return s.host == server.host; });
        found.append(server);
        setFound(found);
    }

    // One search. `serverInUse` tells whether the owner has a server: then the search keeps
    // out of its status line and ends after one scan. (It cannot change while the search
    // runs: whatever changes the owner's server cancels the search first.) With autoConnect
    // and nothing found, it scans again until it finds something or is cancelled.
    QCoro::Task<std::optional<Found>> run(bool autoConnect, bool offerChoice, bool serverInUse,
                                          async::CancelToken token) {
        // Every way out below resets `scanning`, except when cancelled: whoever cancels sets it.
        setScanning(true);
        for (;;) {
            if (token.isCancelled())
                co_return std::nullopt;
            if (!serverInUse)
                Q_EMIT statusReported(searchingStatus(offerChoice));
            const qint64 ontimePort = port();
            QPointer<TimerSearch> self(this);
            ScanProgress<Found> progress = [self](qsizetype done, qsizetype total,
                                                  const QList<Found>& servers) {
                if (self)
                    self->progressed(done, total, servers);
            };
            auto scanning =
                scan<Found>(m_probe, ontimePort, m_stagetimerPort, std::move(progress), token);
            const ScanResult<Found> result = co_await std::move(scanning);
            if (token.isCancelled())
                co_return std::nullopt;

            setFound(result.servers);
            setStagetimersFound(result.stagetimers);
            setScanInfo(result.info);
            setScanProgress(1);
            qCDebug(lcDiscovery) << "search found" << result.servers.size() << "servers and"
                                 << result.stagetimers.size() << "Stagetimer applications";

            if (offerChoice && (!result.servers.isEmpty() || !result.stagetimers.isEmpty())) {
                setScanning(false);
                if (!serverInUse)
                    Q_EMIT statusReported(choiceStatus());
                Q_EMIT choiceReady();
                co_return std::nullopt;
            }
            if (serverInUse || !autoConnect) {
                if (!serverInUse)
                    Q_EMIT statusReported(result.servers.isEmpty() ? nothingFoundStatus(ontimePort)
                                                                   : choiceStatus());
                setScanning(false);
                co_return std::nullopt;
            }
            if (result.servers.isEmpty()) {
                Q_EMIT statusReported(retryStatus(ontimePort));
                auto pause = async::sleep(m_rescanPause, token);
                const bool waited = co_await std::move(pause);
                if (!waited)
                    co_return std::nullopt;
                continue;
            }
            co_return preferred(result.servers);
        }
    }

private:
    void setFound(const QList<Found>& found) {
        if (m_found == found)
            return;
        m_found = found;
        Q_EMIT foundChanged();
    }

    void progressed(qsizetype done, qsizetype total, const QList<Found>& servers) {
        setScanProgress(double(done) / double(total < 2 ? 1 : total));
        QList<Found> found = m_found;
        for (const Found& server : servers) {
            if (!found.contains(server))
                found.append(server);
        }
        setFound(found);
    }

    // The server on the remembered host, else the first (the list is sorted by host).
    Found preferred(const QList<Found>& servers) const {
        const QString remembered = preferredHost();
        for (const Found& server : servers) {
            if (server.host == remembered)
                return server;
        }
        return servers.first();
    }

    HostProbe<Found> m_probe;
    QList<Found> m_found;
};

} // namespace Discovery
