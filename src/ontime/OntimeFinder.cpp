#include "ontime/OntimeFinder.h"

#include "async/ImmediateCancellation.h"
#include "async/RequestSessions.h"
#include "async/Sleep.h"
#include "l10n/Format.h"
#include "l10n/L10n.h"
#include "ontime/OntimeLog.h"
#include "ontime/OntimeProbe.h"
#include "settings/SettingsStore.h"

QString interruptedStatus(const OntimeServer& server) {
    return L10n::fill(L10n::lookup(u"Verbindung zu %@ unterbrochen …"), {server.host});
}

OntimeFinder::OntimeFinder(SettingsStore& settings, Discovery::TimerSearch<OntimeServer>& search,
                           QObject* parent)
    : QObject(parent)
    , m_settings(settings)
    , m_search(search) {}

OntimeFinder::~OntimeFinder() {
    // The task checks its token after every wait and never touches this object again.
    const async::ImmediateCancellation now;
    m_task.cancel();
}

bool OntimeFinder::mayAttach(const OntimeServer& server) const {
    return !m_inUse || (server.host == m_inUse->host && server.port == m_inUse->port);
}

void OntimeFinder::reconnect() {
    m_task.cancel();
    m_task = async::TaskHandle::start(
        [this](async::CancelToken token) { return reconnectProcedure(std::move(token)); });
}

void OntimeFinder::search(bool autoConnect, bool offerChoice, bool attached) {
    m_task.cancel();
    m_task = async::TaskHandle::start(
        [this, autoConnect, offerChoice, attached](async::CancelToken token) {
            return searchProcedure(autoConnect, offerChoice, attached, std::move(token));
        });
}

void OntimeFinder::waitFor(const OntimeServer& server) {
    m_task.cancel();
    m_task = async::TaskHandle::start([this, server](async::CancelToken token) {
        return waitProcedure(server, std::move(token));
    });
}

QCoro::Task<> OntimeFinder::reconnectProcedure(async::CancelToken token) {
    // An empty remembered host is no host: probing it could only fail.
    const std::optional<QString> host = m_settings.ontimeHost();
    if (host && !host->isEmpty()) {
        qCDebug(lcOntime) << "reconnecting to the remembered host" << *host;
        Q_EMIT statusReported(L10n::fill(L10n::lookup(u"Verbinde mit %@ …"), {*host}));
        auto probing = probeOntime(*host, m_settings.ontimePort(), async::requestSession(), token);
        const std::optional<OntimeServer> server = co_await std::move(probing);
        if (token.isCancelled())
            co_return;
        if (server) {
            Q_EMIT found(*server);
            co_return;
        }
    }
    if (token.isCancelled())
        co_return;
    qCDebug(lcOntime) << "searching the network for a server";
    auto searching = searchProcedure(true, false, false, token);
    co_await std::move(searching);
}

QCoro::Task<> OntimeFinder::searchProcedure(bool autoConnect, bool offerChoice, bool attached,
                                            async::CancelToken token) {
    auto searching = m_search.run(autoConnect, offerChoice, attached, token);
    const std::optional<OntimeServer> pick = co_await std::move(searching);
    if (token.isCancelled())
        co_return;
    if (pick && mayAttach(*pick)) {
        Q_EMIT found(*pick);
        co_return;
    }
    // A search that ends without the server in use goes back to waiting for it.
    if (m_inUse && !attached) {
        Q_EMIT statusReported(interruptedStatus(*m_inUse));
        waitFor(*m_inUse);
    }
}

QCoro::Task<> OntimeFinder::waitProcedure(OntimeServer server, async::CancelToken token) {
    qCDebug(lcOntime) << "waiting for" << server.label();
    while (!token.isCancelled()) {
        auto probing = probeOntime(server.host, server.port, async::requestSession(), token);
        const std::optional<OntimeServer> back = co_await std::move(probing);
        if (token.isCancelled())
            co_return;
        if (back) {
            Q_EMIT found(*back);
            co_return;
        }
        // A search keeps the list of servers fresh for the user, and finds the server should
        // it answer there; it keeps out of the status line.
        auto searching = m_search.run(false, false, true, token);
        co_await std::move(searching);
        if (token.isCancelled())
            co_return;
        for (const OntimeServer& candidate : m_search.found()) {
            if (mayAttach(candidate)) {
                Q_EMIT found(candidate);
                co_return;
            }
        }
        auto pause = async::sleep(m_rescanPause, token);
        if (!co_await std::move(pause))
            co_return;
    }
}
