#include "ontime/OntimeModel.h"

#include "async/Clock.h"
#include "async/ImmediateCancellation.h"
#include "async/ServerAddress.h"
#include "async/Sleep.h"
#include "discovery/Discovery.h"
#include "discovery/Scan.h"
#include "l10n/Format.h"
#include "l10n/L10n.h"
#include "ontime/OntimeRecords.h"
#include "ontime/TimeFormat.h"
#include "settings/SettingsStore.h"
#include "json/CleanText.h"

#include <QPointer>

namespace {

bool isSpaceOrTab(QChar c) {
    return c == u'\t' || c.category() == QChar::Separator_Space;
}

bool runsOn(const QString& playback) {
    return playback == u"play" || playback == u"start" || playback == u"roll";
}

QString secondaryText(const RuntimeData::Message& message) {
    const std::optional<QString> source =
        message.timer ? message.timer->secondarySource : std::nullopt;
    if (message.secondary)
        return source == u"secondary" ? *message.secondary : QString();
    if (!message.external)
        return {};
    if (const auto* text = std::get_if<QString>(&*message.external))
        return source == u"external" ? *text : QString();
    const auto& external = std::get<RuntimeData::Message::External>(*message.external);
    return external.visible == true ? external.text.value_or(QString()) : QString();
}

} // namespace

QString trimmedHost(const QString& text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isSpaceOrTab(text[begin]))
        ++begin;
    while (end > begin && isSpaceOrTab(text[end - 1]))
        --end;
    return text.sliced(begin, end - begin);
}

OntimeModel::OntimeModel(SettingsStore& settings, QObject* parent)
    : QObject(parent)
    , m_settings(settings)
    , m_status(L10n::lookup(u"Nicht verbunden"))
    , m_pollTime(async::Clock::instance().nowMs())
    , m_pollMonotonic(async::Clock::instance().monotonicMs()) {}

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
    Discovery::setTimeouts({timing.requestTimeout, timing.scanTimeout});
}

// --- published properties -------------------------------------------------------------------

void OntimeModel::setServer(const std::optional<OntimeServer>& server) {
    if (m_server == server)
        return;
    m_server = server;
    Q_EMIT serverChanged();
}

void OntimeModel::setFound(const QList<OntimeServer>& found) {
    if (m_found == found)
        return;
    m_found = found;
    Q_EMIT foundChanged();
}

void OntimeModel::setStatus(const QString& status) {
    if (m_status == status)
        return;
    m_status = status;
    Q_EMIT statusChanged();
}

void OntimeModel::setScanInfo(const QString& info) {
    if (m_scanInfo == info)
        return;
    m_scanInfo = info;
    Q_EMIT scanInfoChanged();
}

void OntimeModel::setScanning(bool scanning) {
    if (m_scanning == scanning)
        return;
    m_scanning = scanning;
    Q_EMIT scanningChanged();
}

void OntimeModel::setScanProgress(double progress) {
    if (m_scanProgress == progress)
        return;
    m_scanProgress = progress;
    Q_EMIT scanProgressChanged();
}

void OntimeModel::setConnected(bool connected) {
    if (m_connected == connected)
        return;
    m_connected = connected;
    Q_EMIT connectedChanged();
}

void OntimeModel::setStagetimersFound(const QList<StagetimerDesktop>& found) {
    if (m_stagetimersFound == found)
        return;
    m_stagetimersFound = found;
    Q_EMIT stagetimersFoundChanged();
}

// --- operations ------------------------------------------------------------------------------

void OntimeModel::start() {
    if (m_settings.ontimeEnabled())
        reconnect();
}

void OntimeModel::connect(const OntimeServer& to) {
    m_scanTask.cancel();
    setScanning(false);
    const bool sameServer = m_server == to;
    setServer(to);

    m_settings.setBool(SettingsKey::ontimeEnabled, true);
    Q_EMIT changed();
    m_settings.setString(SettingsKey::ontimeHost, to.host);

    if (!m_found.contains(to)) {
        QList<OntimeServer> found = m_found;
        found.removeIf([&to](const OntimeServer& s) { return s.host == to.host; });
        found.append(to);
        setFound(found);
    }

    m_current.reset();
    m_playback.clear();
    m_eventTitle.clear();
    if (sameServer) {
        setStatus(L10n::fill(L10n::lookup(u"Verbunden mit %@"), {to.label()}));
    } else {
        // Nothing of another server may show under this one's name, and it is not
        // "connected" before it has answered.
        m_durationMs.reset();
        m_addedMs.reset();
        m_warningMs.reset();
        m_dangerMs.reset();
        m_timerMessage.clear();
        m_timerMessageBlinks = false;
        m_secondaryMessage.clear();
        setConnected(false);
        setStatus(L10n::fill(L10n::lookup(u"Verbinde mit %@ …"), {to.host}));
    }

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
            auto probing = Discovery::probe(target, port, Discovery::session(), token);
            const std::optional<OntimeServer> server = co_await std::move(probing);
            if (token.isCancelled())
                co_return;
            if (server)
                connect(*server);
            else
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
    m_pollTask.cancel();
    m_scanTask.cancel();
    setScanning(false);
    setServer(std::nullopt);
    setConnected(false);
    m_current.reset();
    m_timerMessage.clear();
    m_secondaryMessage.clear();
    m_settings.setBool(SettingsKey::ontimeEnabled, false);
    Q_EMIT changed();
    setStatus(L10n::lookup(u"Nicht verbunden"));
}

void OntimeModel::suspend() {
    m_pollTask.cancel();
    m_scanTask.cancel();
    setScanning(false);
    setServer(std::nullopt);
    setConnected(false);
    m_current.reset();
}

std::optional<double> OntimeModel::remainingMs() const {
    if (!m_connected || !m_current)
        return std::nullopt;
    if (m_playback == u"stop")
        return std::nullopt;
    if (m_playback == u"armed" && *m_current == 0)
        return std::nullopt;
    if (runsOn(m_playback))
        return *m_current - double(async::Clock::instance().monotonicMs() - m_pollMonotonic);
    return m_current;
}

QString OntimeModel::format(double ms) {
    return formatRemaining(ms);
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
        setStatus(L10n::fill(L10n::lookup(u"Verbinde mit %@ …"), {*host}));
        const std::optional<OntimeServer> server =
            co_await Discovery::probe(*host, m_settings.ontimePort(), Discovery::session(), token);
        if (token.isCancelled())
            co_return;
        if (server) {
            connect(*server);
            co_return;
        }
    }
    if (token.isCancelled())
        co_return;
    co_await scanProcedure(true, false, token);
}

QCoro::Task<> OntimeModel::scanProcedure(bool autoConnect, bool offerChoice,
                                         async::CancelToken token) {
    // Every way out below resets `scanning`, except when cancelled: whoever cancels sets it.
    setScanning(true);
    for (;;) {
        if (token.isCancelled())
            co_return;
        if (!m_server)
            setStatus(offerChoice ? L10n::lookup(u"Suche Ontime und Stagetimer im Netzwerk …")
                                  : L10n::lookup(u"Suche Ontime im Netzwerk …"));
        const qint64 port = m_settings.ontimePort();
        QPointer<OntimeModel> self(this);
        // Built outside the co_await: g++ 12 frees a lambda's captures twice when the lambda
        // is a temporary of the awaited expression.
        Discovery::ScanProgress progress = [self](qsizetype done, qsizetype total,
                                                  const QList<OntimeServer>& servers) {
            if (!self)
                return;
            self->setScanProgress(double(done) / double(total < 2 ? 1 : total));
            QList<OntimeServer> found = self->m_found;
            for (const OntimeServer& server : servers) {
                if (!found.contains(server))
                    found.append(server);
            }
            self->setFound(found);
        };
        const Discovery::ScanResult result =
            co_await Discovery::scan(port, m_stagetimerPort, std::move(progress), token);
        if (token.isCancelled())
            co_return;

        setFound(result.servers);
        setStagetimersFound(result.stagetimers);
        setScanInfo(result.info);
        setScanProgress(1);

        if (offerChoice && (!result.servers.isEmpty() || !result.stagetimers.isEmpty())) {
            setScanning(false);
            if (!m_server)
                setStatus(L10n::lookup(u"Bitte ein Ontime auswählen"));
            Q_EMIT choiceOffered(result.servers, result.stagetimers);
            co_return;
        }
        if (m_server || !autoConnect) {
            if (!m_server)
                setStatus(result.servers.isEmpty()
                              ? L10n::fill(L10n::lookup(u"Kein Ontime gefunden (Port %d)"), {port})
                              : L10n::lookup(u"Bitte ein Ontime auswählen"));
            setScanning(false);
            co_return;
        }
        if (result.servers.isEmpty()) {
            setStatus(L10n::fill(L10n::lookup(u"Kein Ontime gefunden (Port %d) – neuer Versuch …"),
                                 {port}));
            const bool waited = co_await async::sleep(m_timing.rescanPause, token);
            if (!waited)
                co_return;
            continue;
        }
        const QString remembered = m_settings.ontimeHost().value_or(QString());
        OntimeServer pick = result.servers.first();
        for (const OntimeServer& server : result.servers) {
            if (server.host == remembered) {
                pick = server;
                break;
            }
        }
        connect(pick);
        co_return;
    }
}

QCoro::Task<> OntimeModel::pollLoop(OntimeServer server, async::CancelToken token) {
    const QString path = pollPath(server.api);
    if (!Discovery::requestUrl(server.host, server.port, path))
        co_return;
    int failures = 0;
    while (!token.isCancelled()) {
        const async::HttpResponse response =
            co_await Discovery::get(Discovery::session(), server.host, server.port, path, token);
        if (token.isCancelled())
            co_return;
        if (!response.received) {
            if (failures >= 2 && m_connected) {
                setConnected(false);
                setStatus(
                    L10n::fill(L10n::lookup(u"Verbindung zu %@ unterbrochen …"), {server.host}));
            }
            if (failures + 1 >= 10) {
                setServer(std::nullopt);
                reconnect();
                co_return;
            }
            ++failures;
        } else {
            // Any answer is contact, whatever its status; one that does not decode keeps the
            // values we have.
            if (!response.bodyTooLarge)
                takeOverBody(server.api, response.body);
            m_pollTime = async::Clock::instance().nowMs();
            m_pollMonotonic = async::Clock::instance().monotonicMs();
            if (!m_connected) {
                setConnected(true);
                setStatus(L10n::fill(L10n::lookup(u"Verbunden mit %@"), {server.label()}));
            }
            failures = 0;
        }
        const bool waited = co_await async::sleep(m_timing.pollInterval, token);
        if (!waited)
            co_return;
    }
}

void OntimeModel::takeOverBody(OntimeAPI api, const QByteArray& body) {
    if (api == OntimeAPI::v3) {
        if (const std::optional<PollResponse> response = PollResponse::decode(body))
            takeOver(*response);
    } else if (const std::optional<LegacyPoll> poll = LegacyPoll::decode(body)) {
        takeOver(*poll);
    }
}

void OntimeModel::takeOver(const PollResponse& response) {
    const RuntimeData& d = response.payload;
    m_current = d.timer ? d.timer->current : std::nullopt;
    m_playback = d.timer ? d.timer->playback.value_or(QString()) : QString();
    m_durationMs = d.timer ? d.timer->duration : std::nullopt;
    m_addedMs = d.timer ? d.timer->addedTime : std::nullopt;
    m_eventTitle =
        d.eventNow ? cleanText(d.eventNow->title.value_or(QString()), messageLength) : QString();
    m_warningMs = d.eventNow ? d.eventNow->timeWarning : std::nullopt;
    m_dangerMs = d.eventNow ? d.eventNow->timeDanger : std::nullopt;
    const std::optional<RuntimeData::Message::TimerMessage> timer =
        d.message ? d.message->timer : std::nullopt;
    m_timerMessage = timer && timer->visible == true
                         ? cleanText(timer->text.value_or(QString()), messageLength)
                         : QString();
    m_timerMessageBlinks = timer && timer->blink == true;
    m_secondaryMessage =
        d.message ? cleanText(secondaryText(*d.message), messageLength) : QString();
}

void OntimeModel::takeOver(const LegacyPoll& poll) {
    m_current = poll.running ? std::optional<double>(*poll.running * 1000) : std::nullopt;
    m_playback = poll.playback.value_or(QString());
    m_eventTitle.clear();
    m_timerMessage.clear();
    m_secondaryMessage.clear();
    m_durationMs.reset();
    m_addedMs.reset();
}
