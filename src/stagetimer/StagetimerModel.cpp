#include "stagetimer/StagetimerModel.h"

#include "async/Clock.h"
#include "async/ImmediateCancellation.h"
#include "async/Sleep.h"
#include "l10n/Format.h"
#include "l10n/L10n.h"
#include "settings/SettingsStore.h"
#include "json/CleanText.h"

using stagetimer::STMessages;
using stagetimer::STStatus;
using stagetimer::STTimer;

namespace {

const QString statusPath = QStringLiteral("get_status");
const QString messagesPath = QStringLiteral("get_all_messages");
const QString timerPath = QStringLiteral("get_timer");

bool isBlank(QChar c) {
    return c == u'\t' || c.category() == QChar::Separator_Space;
}

} // namespace

QString trimBlanks(const QString& text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isBlank(text[begin]))
        ++begin;
    while (end > begin && isBlank(text[end - 1]))
        --end;
    return text.mid(begin, end - begin);
}

StagetimerModel::StagetimerModel(SettingsStore& settings, QObject* parent)
    : QObject(parent)
    , m_settings(settings)
    , m_session(m_timing.requestTimeout)
    , m_status(L10n::lookup(u"Nicht verbunden")) {}

StagetimerModel::~StagetimerModel() {
    // The task checks its token after every wait, so it never touches this object again;
    // it ends here and now, before the session it waits on goes away.
    const async::ImmediateCancellation now;
    pollTask.cancel();
}

void StagetimerModel::setTiming(Timing timing) {
    m_timing = timing;
    m_session.setTransferTimeout(timing.requestTimeout);
    m_session.setDeadline(timing.requestTimeout);
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
    pollTask.cancel();
    setConnecting(true);
    setConnected(false);
    setStatus(L10n::lookup(u"Verbinde mit Stagetimer …"));
    pollTask = async::TaskHandle::start(
        [this](async::CancelToken token) { return attempt(std::move(token)); });
}

void StagetimerModel::disconnect() {
    pollTask.cancel();
    setConnecting(false);
    setConnected(false);
    m_settings.setBool(SettingsKey::stagetimerEnabled, false);
    Q_EMIT changed();
    message.clear();
    timerName.clear();
    finish.reset();
    namedTimerID.reset();
    setStatus(L10n::lookup(u"Nicht verbunden"));
}

std::optional<double> StagetimerModel::remainingMs() const {
    if (!m_connected || !finish)
        return std::nullopt;
    if (running)
        return *finish - (static_cast<double>(async::Clock::instance().nowMs()) + clockOffset);
    if (pause && *pause > 0)
        return *finish - *pause;
    if (startTime && *startTime > 0)
        return *finish - *startTime;
    return std::nullopt;
}

void StagetimerModel::apply(const STStatus& answer) {
    running = answer.running.value_or(false);
    // A zero or absurd instant would show hundreds of thousands of hours: no time beats a
    // wrong one.
    finish = stagetimer::plausibleInstant(answer.finish);
    pause = stagetimer::plausibleInstant(answer.pause);
    startTime = stagetimer::plausibleInstant(answer.start);
    timerID = answer.timer_id;
    if (const std::optional<double> serverTime = stagetimer::plausibleInstant(answer.server_time))
        clockOffset = *serverTime - static_cast<double>(async::Clock::instance().nowMs());
    if (!m_connected) {
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
    auto keepStatus = [this, token](int status) {
        if (!token.isCancelled())
            lastHTTPCode = status;
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
            base = candidate;
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
        // A 404 after a real answer is most likely the wrong path of a server that does
        // exist: its first explanation is the useful one.
        if (!(lastHTTPCode == 404 && lastError != unreachable))
            lastError = answer.error;
        if (lastHTTPCode == 401 || lastHTTPCode == 403 || lastHTTPCode == 429)
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
            auto request = get<STMessages>(messagesPath, QString(), token, base);
            const Result<STMessages> messages = co_await std::move(request);
            if (token.isCancelled())
                co_return;
            if (messages.ok())
                message = stagetimer::showingMessage(*messages.payload);
        }

        auto statusRequest = get<STStatus>(statusPath, QString(), token, base);
        const Result<STStatus> status = co_await std::move(statusRequest);
        if (token.isCancelled())
            co_return;
        if (status.ok()) {
            apply(*status.payload);
            failures = 0;
            const std::optional<QString> id = status.payload->timer_id;
            if (id && id != namedTimerID) {
                const QString extra = stagetimer::timerQuery(*id);
                auto request = get<STTimer>(timerPath, extra, token, base);
                const Result<STTimer> timer = co_await std::move(request);
                if (token.isCancelled())
                    co_return;
                if (timer.ok()) {
                    timerName = cleanText(timer.payload->name.value_or(QString()), messageLength);
                    namedTimerID = id;
                }
            }
        } else if (++failures >= 3) {
            setConnected(false);
            setStatus(L10n::fill(L10n::lookup(u"Stagetimer: %@"), {status.error}));
        }

        ++cycle;
        auto wait = async::sleep(m_timing.cyclePause, token);
        const bool slept = co_await std::move(wait);
        if (!slept)
            co_return;
    }
}
