#include "stagetimer/StagetimerModel.h"

#include "async/Clock.h"
#include "async/ImmediateCancellation.h"
#include "async/Sleep.h"
#include "l10n/Format.h"
#include "l10n/L10n.h"
#include "settings/SettingsStore.h"
#include "stagetimer/StagetimerLog.h"
#include "json/CleanText.h"

#include <QUrl>

using stagetimer::STMessages;
using stagetimer::STStatus;
using stagetimer::STTimer;

namespace {

const QString statusPath = QStringLiteral("get_status");
const QString messagesPath = QStringLiteral("get_all_messages");
const QString timerPath = QStringLiteral("get_timer");

// Where a base address points, for the log: its host and port and nothing that the user may
// have typed after them.
QString serverOf(const QString& base) {
    const QUrl url(base);
    return url.host() + u':' + QString::number(url.port(url.scheme() == u"https" ? 443 : 80));
}

} // namespace

StagetimerModel::StagetimerModel(SettingsStore& settings, QObject* parent)
    : QObject(parent)
    , m_settings(settings)
    , m_session(m_timing.requestTimeout)
    , m_status(L10n::lookup(u"Nicht verbunden")) {}

StagetimerModel::~StagetimerModel() {
    // The task checks its token after every wait, so it never touches this object again;
    // it ends here and now, before the session it waits on goes away.
    const async::ImmediateCancellation now;
    m_pollTask.cancel();
}

void StagetimerModel::setTiming(Timing timing) {
    m_timing = timing;
    m_session.setTimeout(timing.requestTimeout);
}

void StagetimerModel::setStatus(const QString& status) {
    if (status == m_status)
        return;
    m_status = status;
    Q_EMIT statusChanged();
    Q_EMIT changed();
}

void StagetimerModel::setConnected(bool connected) {
    if (connected == m_connected)
        return;
    m_connected = connected;
    Q_EMIT connectedChanged();
    Q_EMIT changed();
}

void StagetimerModel::setConnecting(bool connecting) {
    if (connecting == m_connecting)
        return;
    m_connecting = connecting;
    Q_EMIT connectingChanged();
    Q_EMIT changed();
}

QString StagetimerModel::roomID() const {
    return m_settings.stagetimerRoom();
}

void StagetimerModel::setRoomID(const QString& room) {
    m_settings.setString(SettingsKey::stagetimerRoom, trimBlanks(room));
    Q_EMIT roomIDChanged();
    Q_EMIT changed();
}

QString StagetimerModel::apiKey() const {
    return m_settings.stagetimerKey();
}

void StagetimerModel::setApiKey(const QString& key) {
    m_settings.setString(SettingsKey::stagetimerKey, trimBlanks(key));
    Q_EMIT apiKeyChanged();
    Q_EMIT changed();
}

QString StagetimerModel::server() const {
    return m_settings.stagetimerServer();
}

void StagetimerModel::setServer(const QString& server) {
    m_settings.setString(SettingsKey::stagetimerServer, trimBlanks(server));
    Q_EMIT serverChanged();
    Q_EMIT changed();
}

void StagetimerModel::start() {
    if (m_settings.stagetimerEnabled() && !roomID().isEmpty() && !apiKey().isEmpty())
        connect();
}

void StagetimerModel::connect() {
    if (roomID().isEmpty() || apiKey().isEmpty()) {
        setStatus(L10n::lookup(u"Bitte Raum-ID und API-Key eingeben"));
        return;
    }
    m_pollTask.cancel();
    setConnecting(true);
    setConnected(false);
    setStatus(L10n::lookup(u"Verbinde mit Stagetimer …"));
    m_pollTask = async::TaskHandle::start(
        [this](async::CancelToken token) { return attempt(std::move(token)); });
}

void StagetimerModel::disconnect() {
    qCDebug(lcStagetimer) << "disconnecting";
    m_pollTask.cancel();
    setConnecting(false);
    setConnected(false);
    m_settings.setBool(SettingsKey::stagetimerEnabled, false);
    Q_EMIT changed();
    m_state.message.clear();
    m_state.timerName.clear();
    m_state.finish.reset();
    m_namedTimerID.reset();
    setStatus(L10n::lookup(u"Nicht verbunden"));
}

void StagetimerModel::suspend() {
    m_pollTask.cancel();
    setConnecting(false);
    setConnected(false);
}

std::optional<double> StagetimerModel::remainingMs() const {
    if (!m_connected)
        return std::nullopt;
    return m_state.remainingMs(async::Clock::instance().nowMs());
}

void StagetimerModel::apply(const STStatus& answer) {
    m_state.running = answer.running.value_or(false);
    // A zero or absurd instant would show hundreds of thousands of hours: no time beats a
    // wrong one.
    m_state.finish = stagetimer::plausibleInstant(answer.finish);
    m_state.pause = stagetimer::plausibleInstant(answer.pause);
    m_state.startTime = stagetimer::plausibleInstant(answer.start);
    m_timerID = answer.timer_id;
    if (const std::optional<double> offset = stagetimer::plausibleClockOffset(
            answer.server_time, static_cast<double>(async::Clock::instance().nowMs())))
        m_state.clockOffset = *offset;
    if (!m_connected) {
        qCDebug(lcStagetimer) << "connected to" << serverOf(m_base);
        const QString name = server().isEmpty() ? stagetimer::cloudDisplayName() : server();
        setConnected(true);
        setStatus(L10n::fill(L10n::lookup(u"Verbunden mit %@"), {name}));
    }
}

template <typename Payload>
QCoro::Task<StagetimerModel::Result<Payload>>
StagetimerModel::get(const QString& path, const QString& extra, const async::CancelToken& token,
                     const QString& from) {
    // The status code is kept only while this task is still wanted; after cancellation the
    // object may be gone.
    auto keepStatus = [this, token, path](int status) {
        if (token.isCancelled())
            return;
        m_lastHTTPCode = status;
        if (status < 200 || status > 299)
            qCDebug(lcStagetimer) << path << "answered with HTTP status" << status;
    };
    return stagetimer::get<Payload>(m_session, path, from, extra, {roomID(), apiKey()}, token,
                                    std::move(keepStatus));
}

QCoro::Task<> StagetimerModel::attempt(async::CancelToken token) {
    const QString unreachable = L10n::lookup(u"Server nicht erreichbar");
    QString lastError = unreachable;
    const QStringList candidates = stagetimer::candidates(server());
    if (candidates.isEmpty())
        lastError = L10n::lookup(u"Ungültige Adresse");
    for (const QString& candidate : candidates) {
        auto request = get<STStatus>(statusPath, QString(), token, candidate);
        const Result<STStatus> answer = co_await std::move(request);
        // A cancelled attempt leaves everything to its successor (or to nobody, when the
        // model is gone).
        if (token.isCancelled())
            co_return;
        if (answer.ok()) {
            m_base = candidate;
            m_settings.setBool(SettingsKey::stagetimerEnabled, true);
            Q_EMIT changed();
            setConnecting(false);
            apply(*answer.payload);
            m_settings.setString(SettingsKey::timerSource, QStringLiteral("stagetimer"));
            Q_EMIT connectionMade();
            auto polling = pollLoop(token);
            co_await std::move(polling);
            co_return;
        }
        qCDebug(lcStagetimer) << "no usable status from" << serverOf(candidate);
        // A 404 after a real answer is most likely the wrong path of a server that does
        // exist: its first explanation is the useful one.
        if (!(m_lastHTTPCode == 404 && lastError != unreachable))
            lastError = answer.error;
        if (m_lastHTTPCode == 401 || m_lastHTTPCode == 403 || m_lastHTTPCode == 429)
            break;
    }
    setConnecting(false);
    setStatus(L10n::fill(L10n::lookup(u"Stagetimer: %@"), {lastError}));
}

QCoro::Task<> StagetimerModel::pollLoop(async::CancelToken token) {
    int failures = 0;
    qint64 cycle = 0;
    while (!token.isCancelled()) {
        if (cycle % 2 == 0) {
            auto request = get<STMessages>(messagesPath, QString(), token, m_base);
            const Result<STMessages> messages = co_await std::move(request);
            if (token.isCancelled())
                co_return;
            if (messages.ok())
                m_state.message = stagetimer::showingMessage(*messages.payload);
        }

        auto statusRequest = get<STStatus>(statusPath, QString(), token, m_base);
        const Result<STStatus> status = co_await std::move(statusRequest);
        if (token.isCancelled())
            co_return;
        if (status.ok()) {
            apply(*status.payload);
            failures = 0;
            const std::optional<QString> id = status.payload->timer_id;
            if (id && id != m_namedTimerID) {
                const QString extra = stagetimer::timerQuery(*id);
                auto request = get<STTimer>(timerPath, extra, token, m_base);
                const Result<STTimer> timer = co_await std::move(request);
                if (token.isCancelled())
                    co_return;
                if (timer.ok()) {
                    m_state.timerName =
                        cleanText(timer.payload->name.value_or(QString()), messageLength);
                    m_namedTimerID = id;
                }
            }
        } else {
            ++failures;
            qCDebug(lcStagetimer) << "status request failed," << failures << "in a row";
            if (failures >= 3) {
                setConnected(false);
                setStatus(L10n::fill(L10n::lookup(u"Stagetimer: %@"), {status.error}));
            }
        }

        ++cycle;
        auto wait = async::sleep(m_timing.cyclePause, token);
        const bool slept = co_await std::move(wait);
        if (!slept)
            co_return;
    }
}
