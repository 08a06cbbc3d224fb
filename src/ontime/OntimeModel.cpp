#include "ontime/OntimeModel.h"

#include "async/Clock.h"
#include "async/ImmediateCancellation.h"
#include "async/PlainGet.h"
#include "async/ServerAddress.h"
#include "async/Sleep.h"
#include "l10n/Format.h"
#include "l10n/L10n.h"
#include "ontime/OntimeLog.h"
#include "ontime/OntimeProbe.h"
#include "ontime/OntimeRecords.h"
#include "ontime/TimeFormat.h"
#include "settings/SettingsStore.h"
#include "json/CleanText.h"

OntimeModel::OntimeModel(SettingsStore& settings, QObject* parent)
    : QObject(parent)
    , m_settings(settings)
    , m_status(L10n::lookup(u"Nicht verbunden"))
    , m_search(settings, &probeOntime, m_timing.rescanPause) {
    m_reading.pollTime = async::Clock::instance().nowMs();
    m_reading.pollMonotonic = async::Clock::instance().monotonicMs();
    using Search = Discovery::TimerSearchState;
    QObject::connect(&m_search, &Search::scanningChanged, this, &OntimeModel::scanningChanged);
    QObject::connect(&m_search, &Search::scanProgressChanged, this,
                     &OntimeModel::scanProgressChanged);
    QObject::connect(&m_search, &Search::foundChanged, this, &OntimeModel::foundChanged);
    QObject::connect(&m_search, &Search::scanInfoChanged, this, &OntimeModel::scanInfoChanged);
    QObject::connect(&m_search, &Search::stagetimersFoundChanged, this,
                     &OntimeModel::stagetimersFoundChanged);
    QObject::connect(&m_search, &Search::statusReported, this, &OntimeModel::setStatus);
    QObject::connect(&m_search, &Search::choiceReady, this,
                     [this] { Q_EMIT choiceOffered(found(), stagetimersFound()); });
}

OntimeModel::~OntimeModel() {
    // The tasks check their tokens after every wait and never touch this object again; they
    // end here and now, so that none is left suspended when the process ends.
    const async::ImmediateCancellation now;
    m_pollTask.cancel();
    m_scanTask.cancel();
    m_typedProbe.cancel();
}

void OntimeModel::setTiming(const Timing& timing) {
    m_timing = timing;
    m_search.setRescanPause(timing.rescanPause);
    async::setRequestTimeouts({timing.requestTimeout, timing.scanTimeout});
}

// --- published properties -------------------------------------------------------------------

void OntimeModel::setServer(const std::optional<OntimeServer>& server) {
    if (m_server == server)
        return;
    m_server = server;
    Q_EMIT serverChanged();
}

void OntimeModel::setStatus(const QString& status) {
    if (m_status == status)
        return;
    m_status = status;
    Q_EMIT statusChanged();
}

void OntimeModel::setConnected(bool connected) {
    if (m_connected == connected)
        return;
    m_connected = connected;
    Q_EMIT connectedChanged();
}

// --- operations ------------------------------------------------------------------------------

void OntimeModel::start() {
    if (m_settings.ontimeEnabled())
        reconnect();
}

void OntimeModel::connect(const OntimeServer& to) {
    stopSearching();
    const bool sameServer = m_server == to;
    setServer(to);

    m_settings.setBool(SettingsKey::ontimeEnabled, true);
    Q_EMIT changed();
    m_settings.setString(SettingsKey::ontimeHost, to.host);
    m_search.keep(to);

    if (sameServer) {
        m_reading.current.reset();
        m_reading.playback.clear();
        m_reading.eventTitle.clear();
        setStatus(L10n::fill(L10n::lookup(u"Verbunden mit %@"), {to.label()}));
    } else {
        // Nothing of another server may show under this one's name, and it is not
        // "connected" before it has answered.
        OntimeReading fresh;
        fresh.pollTime = m_reading.pollTime;
        fresh.pollMonotonic = m_reading.pollMonotonic;
        m_reading = fresh;
        setConnected(false);
        setStatus(L10n::fill(L10n::lookup(u"Verbinde mit %@ …"), {to.host}));
    }
    qCDebug(lcOntime) << "polling" << to.label();

    m_pollTask.cancel();
    m_pollTask = async::TaskHandle::start(
        [this, to](async::CancelToken token) { return pollLoop(to, std::move(token)); });

    m_settings.setString(SettingsKey::timerSource, QStringLiteral("ontime"));
    Q_EMIT connectionMade();
}

void OntimeModel::connect(const QString& host) {
    const QString trimmed = trimmedHost(host);
    if (trimmed.isEmpty())
        return;
    m_typedProbe.cancel();
    const std::optional<async::ServerAddress> address = async::parseServerAddress(trimmed);
    if (!address) {
        // Never probe a host guessed from text that names none.
        setStatus(
            L10n::fill(L10n::lookup(u"Ungültige Adresse: %@"), {cleanText(trimmed, labelLength)}));
        return;
    }
    const QString target = address->host;
    const qint64 typedPort = address->port;
    setStatus(L10n::fill(L10n::lookup(u"Verbinde mit %@ …"), {target}));
    m_typedProbe = async::TaskHandle::start(
        [this, target, typedPort](async::CancelToken token) -> QCoro::Task<> {
            const qint64 port = typedPort > 0 ? typedPort : m_settings.ontimePort();
            auto probing = probeOntime(target, port, async::requestSession(), token);
            const std::optional<OntimeServer> server = co_await std::move(probing);
            if (token.isCancelled())
                co_return;
            if (server) {
                connect(*server);
                co_return;
            }
            qCDebug(lcOntime) << "no Ontime at" << target << "port" << port;
            setStatus(L10n::fill(L10n::lookup(u"Kein Ontime unter %@:%d"), {target, port}));
        });
}

void OntimeModel::search(bool autoConnect, bool offerChoice) {
    m_scanTask.cancel();
    m_scanTask =
        async::TaskHandle::start([this, autoConnect, offerChoice](async::CancelToken token) {
            return scanProcedure(autoConnect, offerChoice, std::move(token));
        });
}

void OntimeModel::disconnect() {
    qCDebug(lcOntime) << "disconnecting";
    m_pollTask.cancel();
    stopSearching();
    setServer(std::nullopt);
    setConnected(false);
    m_reading.current.reset();
    m_reading.timerMessage.clear();
    m_reading.secondaryMessage.clear();
    m_settings.setBool(SettingsKey::ontimeEnabled, false);
    Q_EMIT changed();
    setStatus(L10n::lookup(u"Nicht verbunden"));
}

void OntimeModel::suspend() {
    m_pollTask.cancel();
    stopSearching();
    setServer(std::nullopt);
    setConnected(false);
    m_reading.current.reset();
}

void OntimeModel::stopSearching() {
    m_scanTask.cancel();
    m_search.halt();
}

std::optional<double> OntimeModel::remainingMs() const {
    if (!m_connected)
        return std::nullopt;
    return m_reading.remainingAt(async::Clock::instance().monotonicMs());
}

QString OntimeModel::format(double ms) {
    return formatRemaining(ms);
}

void OntimeModel::takeOver(const PollResponse& response) {
    m_reading = ::takeOver(m_reading, response);
}

void OntimeModel::takeOver(const LegacyPoll& poll) {
    m_reading = ::takeOver(m_reading, poll);
}

// --- tasks -----------------------------------------------------------------------------------

void OntimeModel::reconnect() {
    m_scanTask.cancel();
    m_scanTask = async::TaskHandle::start(
        [this](async::CancelToken token) { return reconnectProcedure(std::move(token)); });
}

QCoro::Task<> OntimeModel::reconnectProcedure(async::CancelToken token) {
    // An empty remembered host is no host: probing it could only fail.
    const std::optional<QString> host = m_settings.ontimeHost();
    if (host && !host->isEmpty()) {
        qCDebug(lcOntime) << "reconnecting to the remembered host" << *host;
        setStatus(L10n::fill(L10n::lookup(u"Verbinde mit %@ …"), {*host}));
        auto probing = probeOntime(*host, m_settings.ontimePort(), async::requestSession(), token);
        const std::optional<OntimeServer> server = co_await std::move(probing);
        if (token.isCancelled())
            co_return;
        if (server) {
            connect(*server);
            co_return;
        }
    }
    if (token.isCancelled())
        co_return;
    qCDebug(lcOntime) << "searching the network for a server";
    auto searching = scanProcedure(true, false, token);
    co_await std::move(searching);
}

QCoro::Task<> OntimeModel::scanProcedure(bool autoConnect, bool offerChoice,
                                         async::CancelToken token) {
    auto searching = m_search.run(autoConnect, offerChoice, m_server.has_value(), token);
    const std::optional<OntimeServer> pick = co_await std::move(searching);
    if (pick)
        connect(*pick);
}

QCoro::Task<> OntimeModel::pollLoop(OntimeServer server, async::CancelToken token) {
    const QString path = pollPath(server.api);
    if (!async::requestUrl(server.host, server.port, path))
        co_return;
    int failures = 0;
    while (!token.isCancelled()) {
        auto request =
            async::plainGet(async::requestSession(), server.host, server.port, path, token);
        const async::HttpResponse response = co_await std::move(request);
        if (token.isCancelled())
            co_return;
        if (!response.received) {
            qCDebug(lcOntime) << "poll failed:" << response.error
                              << "failures in a row:" << failures + 1;
            if (failures >= 2 && m_connected) {
                qCDebug(lcOntime) << "connection to" << server.label() << "interrupted";
                setConnected(false);
                setStatus(
                    L10n::fill(L10n::lookup(u"Verbindung zu %@ unterbrochen …"), {server.host}));
            }
            if (failures + 1 >= 10) {
                qCDebug(lcOntime) << "dropping" << server.label() << "after ten failed polls";
                setServer(std::nullopt);
                reconnect();
                co_return;
            }
            ++failures;
        } else {
            // Any answer is contact, whatever its status; one that does not decode keeps the
            // values we have.
            if (response.status < 200 || response.status > 299)
                qCDebug(lcOntime) << "poll answered with HTTP status" << response.status;
            if (!response.bodyTooLarge)
                takeOverBody(server.api, response.body);
            m_reading.pollTime = async::Clock::instance().nowMs();
            m_reading.pollMonotonic = async::Clock::instance().monotonicMs();
            if (!m_connected) {
                qCDebug(lcOntime) << "connected to" << server.label();
                setConnected(true);
                setStatus(L10n::fill(L10n::lookup(u"Verbunden mit %@"), {server.label()}));
            }
            failures = 0;
        }
        auto pause = async::sleep(m_timing.pollInterval, token);
        const bool waited = co_await std::move(pause);
        if (!waited)
            co_return;
    }
}

void OntimeModel::takeOverBody(OntimeAPI api, const QByteArray& body) {
    if (api == OntimeAPI::v3) {
        if (const std::optional<PollResponse> response = PollResponse::decode(body))
            return takeOver(*response);
    } else if (const std::optional<LegacyPoll> poll = LegacyPoll::decode(body)) {
        return takeOver(*poll);
    }
    qCDebug(lcOntime) << "poll answer does not decode; keeping the last values";
}
