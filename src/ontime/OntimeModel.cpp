#include "ontime/OntimeModel.h"

#include "async/Clock.h"
#include "async/ImmediateCancellation.h"
#include "async/PlainGet.h"
#include "async/ServerAddress.h"
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
    , m_search(settings, &probeOntime, m_timing.rescanPause)
    , m_finder(settings, m_search) {
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
    QObject::connect(&m_finder, &OntimeFinder::found, this, &OntimeModel::attach);
    QObject::connect(&m_finder, &OntimeFinder::statusReported, this, &OntimeModel::setStatus);
}

OntimeModel::~OntimeModel() {
    // The tasks check their tokens after every wait and never touch this object again; they
    // end here and now, so that none is left suspended when the process ends.
    const async::ImmediateCancellation now;
    m_pollTask.cancel();
    m_finder.stop();
    m_typedProbe.cancel();
}

SecondsRule OntimeModel::secondsRule() const {
    if (!m_server || m_server->api != OntimeAPI::v3)
        return SecondsRule::up;
    return OntimeGeneration::of(m_server->version).seconds;
}

void OntimeModel::setTiming(const Timing& timing) {
    m_timing = timing;
    m_search.setRescanPause(timing.rescanPause);
    m_finder.setRescanPause(timing.rescanPause);
    async::setRequestTimeouts({timing.requestTimeout, timing.scanTimeout});
}

// --- published properties -------------------------------------------------------------------

void OntimeModel::setServer(const std::optional<OntimeServer>& server) {
    if (m_server == server)
        return;
    m_server = server;
    Q_EMIT serverChanged();
    Q_EMIT linkChanged();
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
    if (!m_settings.ontimeEnabled())
        return;
    const std::optional<OntimeServer> inUse = m_finder.inUse();
    if (!inUse) {
        m_finder.reconnect();
        return;
    }
    setStatus(L10n::fill(L10n::lookup(u"Verbinde mit %@ …"), {inUse->host}));
    m_finder.waitFor(*inUse);
}

void OntimeModel::connect(const OntimeServer& to) {
    // The user's choice: whatever was in use before is no longer waited for.
    m_finder.setInUse(std::nullopt);
    attach(to);
}

void OntimeModel::attach(const OntimeServer& to) {
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
    qCDebug(lcOntime) << "linking to" << to.label();

    // Cancelled before the link goes: its task touches nothing once it sees the cancellation.
    m_pollTask.cancel();
    m_timeline.reset();
    m_link = std::make_unique<OntimeLink>(to, m_timing);
    OntimeLink* link = m_link.get();
    QObject::connect(link, &OntimeLink::updated, this, &OntimeModel::takeOverUpdate);
    QObject::connect(link, &OntimeLink::legacyUpdated, this, &OntimeModel::takeOverLegacy);
    QObject::connect(link, &OntimeLink::interrupted, this, &OntimeModel::linkInterrupted);
    QObject::connect(link, &OntimeLink::lost, this, &OntimeModel::linkLost);
    QObject::connect(link, &OntimeLink::kindChanged, this, &OntimeModel::linkChanged);
    m_pollTask = async::TaskHandle::start(
        [link](async::CancelToken token) { return link->run(std::move(token)); });

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
    m_finder.search(autoConnect, offerChoice, m_server.has_value());
}

void OntimeModel::disconnect() {
    qCDebug(lcOntime) << "disconnecting";
    m_finder.setInUse(std::nullopt);
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
    m_finder.stop();
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

QString OntimeModel::format(double ms, SecondsRule rule) {
    return formatRemaining(ms, rule);
}

void OntimeModel::takeOver(const PollResponse& response) {
    m_reading = ::takeOver(m_reading, response);
}

void OntimeModel::takeOver(const LegacyPoll& poll) {
    m_reading = ::takeOver(m_reading, poll);
}

// --- what the link reports -------------------------------------------------------------------

void OntimeModel::takeOverUpdate(const RuntimeUpdate& update, OntimeLink::Kind via) {
    m_reading = m_timeline.next(m_reading, update, via == OntimeLink::Kind::poll);
    heardFrom();
    Q_EMIT updated();
}

void OntimeModel::takeOverLegacy(const LegacyPoll& poll, qint64 receivedMonotonic) {
    m_reading = ReadingTimeline::next(m_reading, poll, receivedMonotonic);
    heardFrom();
    Q_EMIT updated();
}

void OntimeModel::heardFrom() {
    if (!m_server)
        return;
    m_finder.setInUse(m_server);
    if (m_connected)
        return;
    qCDebug(lcOntime) << "connected to" << m_server->label();
    setConnected(true);
    setStatus(L10n::fill(L10n::lookup(u"Verbunden mit %@"), {m_server->label()}));
}

void OntimeModel::linkInterrupted() {
    if (!m_connected || !m_server)
        return;
    qCDebug(lcOntime) << "connection to" << m_server->label() << "interrupted";
    setConnected(false);
    setStatus(interruptedStatus(*m_server));
}

void OntimeModel::linkLost() {
    setServer(std::nullopt);
    setConnected(false);
    const std::optional<OntimeServer> inUse = m_finder.inUse();
    if (!inUse) {
        m_finder.reconnect();
        return;
    }
    setStatus(interruptedStatus(*inUse));
    m_finder.waitFor(*inUse);
}
