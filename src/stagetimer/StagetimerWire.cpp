#include "stagetimer/StagetimerWire.h"

#include "async/ServerAddress.h"
#include "l10n/L10n.h"
#include "json/CleanText.h"
#include "json/JsonFields.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QUrl>

#include <cmath>

namespace stagetimer {
namespace {

const QString defaultCloudBase = QStringLiteral("https://api.stagetimer.io/v1");
const QString defaultCloudName = QStringLiteral("api.stagetimer.io");

bool decodeMessage(const QJsonValue& value, STMessage& out) {
    if (!value.isObject())
        return false;
    JsonFields fields(value.toObject());
    out.showing = fields.boolean(u"showing");
    out.text = fields.string(u"text");
    out.color = fields.string(u"color");
    return fields.ok();
}

bool decodeMessageArray(const QJsonArray& array, QList<STMessage>& out) {
    out.reserve(array.size());
    for (const QJsonValue& element : array) {
        STMessage message;
        if (!decodeMessage(element, message))
            return false;
        out.append(std::move(message));
    }
    return true;
}

// The characters a query value keeps as they are: the unreserved ones. Everything else,
// "&", "=", "+", "?" and "#" above all, is encoded, so that a value can never end itself
// and start another parameter, nor be read differently by the server.
bool allowedInQueryValue(uchar c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '.' || c == '_' || c == '~';
}

bool isValidUtf16(const QString& text) {
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c.isHighSurrogate()) {
            if (i + 1 >= text.size() || !text[i + 1].isLowSurrogate())
                return false;
            ++i;
        } else if (c.isLowSurrogate()) {
            return false;
        }
    }
    return true;
}

// A header value must not break the request apart: control characters (line breaks above
// all) would let the key smuggle further header lines into the request.
bool isUsableHeaderValue(const QString& text) {
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if ((u < 0x20 && u != u'\t') || u == 0x7f)
            return false;
    }
    return true;
}

} // namespace

QString cloudBase() {
    const QString configured = qEnvironmentVariable("KLV_STAGETIMER_CLOUD");
    return configured.isEmpty() ? defaultCloudBase : configured;
}

QString cloudDisplayName() {
    const QString configured = qEnvironmentVariable("KLV_STAGETIMER_CLOUD");
    if (configured.isEmpty())
        return defaultCloudName;
    const QString host = QUrl(configured).host();
    return host.isEmpty() ? configured : host;
}

QStringList candidates(const QString& serverSetting) {
    if (serverSetting.isEmpty())
        return {cloudBase()};
    // Paths are appended to the setting, so a query or fragment in it would swallow them.
    const std::optional<async::ServerAddress> address = async::parseServerAddress(serverSetting);
    if (!address || address->hasQuery || address->hasFragment)
        return {};
    if (!address->scheme.isEmpty()) {
        QString base = address->text;
        if (base.endsWith(u'/'))
            base.chop(1);
        return {base, base + QStringLiteral("/api/v1"), base + QStringLiteral("/v1")};
    }
    const QString base = QStringLiteral("http://") + serverSetting;
    return {base + QStringLiteral("/api/v1"), base + QStringLiteral("/v1"), base};
}

bool decodePayload(const QJsonValue& value, STStatus& out) {
    if (!value.isObject())
        return false;
    JsonFields fields(value.toObject());
    out.timer_id = fields.string(u"timer_id");
    out.running = fields.boolean(u"running");
    out.start = fields.number(u"start");
    out.finish = fields.number(u"finish");
    out.pause = fields.number(u"pause");
    out.server_time = fields.number(u"server_time");
    return fields.ok();
}

bool decodePayload(const QJsonValue& value, STTimer& out) {
    if (!value.isObject())
        return false;
    JsonFields fields(value.toObject());
    out.name = fields.string(u"name");
    return fields.ok();
}

bool decodePayload(const QJsonValue& value, STMessages& out) {
    QList<STMessage> messages;
    if (value.isArray()) {
        if (!decodeMessageArray(value.toArray(), messages))
            return false;
        out.messages = std::move(messages);
        return true;
    }
    if (!value.isObject())
        return false;
    const QJsonValue list = value.toObject().value(QLatin1StringView("messages"));
    if (list.isUndefined() || list.isNull())
        return true;
    if (!list.isArray() || !decodeMessageArray(list.toArray(), messages))
        return false;
    out.messages = std::move(messages);
    return true;
}

namespace detail {

bool decodeEnvelope(const QByteArray& body, std::optional<bool>& ok,
                    std::optional<QString>& message, QJsonValue& data) {
    const std::optional<QJsonObject> object = parseJsonObject(body);
    if (!object)
        return false;
    JsonFields fields(*object);
    ok = fields.boolean(u"ok");
    message = fields.string(u"message");
    data = object->value(QLatin1StringView("data"));
    return fields.ok();
}

QString interpretFailure(int status, const std::optional<QString>& serverMessage,
                         bool hasEnvelope) {
    const bool hasMessage = hasEnvelope && serverMessage.has_value();
    const QString message = hasMessage ? cleanText(*serverMessage, messageLength) : QString();
    if (status >= 200 && status <= 299)
        return hasMessage ? message : L10n::lookup(u"Unerwartete Antwort");
    if (status == 401 || status == 403)
        return L10n::lookup(u"API-Key ungültig");
    if (status == 404)
        return hasMessage ? message : L10n::lookup(u"Raum nicht gefunden");
    if (status == 429)
        return L10n::lookup(u"Zu viele Anfragen – kurz warten");
    return hasMessage ? message : QStringLiteral("HTTP ") + QString::number(status);
}

} // namespace detail

QString showingMessage(const STMessages& messages) {
    if (!messages.messages)
        return {};
    for (const STMessage& message : *messages.messages) {
        if (message.showing.value_or(false))
            return cleanText(message.text.value_or(QString()), messageLength);
    }
    return {};
}

QString encodeQueryValue(const QString& text) {
    if (!isValidUtf16(text))
        return {};
    static constexpr char hex[] = "0123456789ABCDEF";
    QByteArray encoded;
    for (const char byte : text.toUtf8()) {
        const auto c = static_cast<uchar>(byte);
        if (allowedInQueryValue(c)) {
            encoded += byte;
        } else {
            encoded += '%';
            encoded += hex[c >> 4];
            encoded += hex[c & 0x0f];
        }
    }
    return QString::fromLatin1(encoded);
}

BuiltRequest buildRequest(const QString& base, const QString& path, const QString& extra,
                          const QString& room, const QString& key) {
    BuiltRequest built;
    const QString text =
        base + u'/' + path + QStringLiteral("?room_id=") + encodeQueryValue(room) + extra;
    // Strict parsing keeps the text as written: nothing is guessed, fixed or encoded anew.
    const QUrl url(text, QUrl::StrictMode);
    // Whatever the parts hold, the request goes to the server of the base address or
    // nowhere: the key must never reach a host read out of a malformed text.
    const QUrl origin(base, QUrl::StrictMode);
    const QString scheme = url.scheme();
    if (!url.isValid() || url.isRelative() || (scheme != u"http" && scheme != u"https") ||
        url.host().isEmpty() || !url.userInfo().isEmpty() || !origin.isValid() ||
        url.scheme() != origin.scheme() || url.host() != origin.host() ||
        url.port(-1) != origin.port(-1)) {
        built.error = L10n::lookup(u"Ungültige Adresse");
        return built;
    }
    if (!isUsableHeaderValue(key)) {
        built.error = L10n::lookup(u"API-Key ungültig");
        return built;
    }
    built.request = QNetworkRequest(url);
    built.request.setRawHeader("Authorization", "Bearer " + key.toUtf8());
    // No redirect is followed, not even within the origin: the key goes to the address the
    // user named and nowhere else, and a redirect answer simply fails as "HTTP 3xx".
    built.request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                               QNetworkRequest::ManualRedirectPolicy);
    return built;
}

QString timerQuery(const QString& timerID) {
    return QStringLiteral("&timer_id=") + encodeQueryValue(timerID);
}

std::optional<double> plausibleInstant(std::optional<double> ms) {
    // 2001-09-09 to 2286-11-20: anything outside is a missing or broken clock, not a time.
    constexpr double earliest = 1e12;
    constexpr double latest = 1e13;
    if (!ms || !std::isfinite(*ms) || *ms < earliest || *ms > latest)
        return std::nullopt;
    return ms;
}

std::optional<double> plausibleClockOffset(std::optional<double> serverMs, double localMs) {
    constexpr double day = 24.0 * 60 * 60 * 1000;
    const std::optional<double> instant = plausibleInstant(serverMs);
    if (!instant || std::abs(*instant - localMs) > day)
        return std::nullopt;
    return *instant - localMs;
}

QCoro::Task<Exchange> exchange(async::HttpSession& session, QString path, QString base,
                               QString extra, Credentials credentials, async::CancelToken token) {
    const BuiltRequest built = buildRequest(base, path, extra, credentials.room, credentials.key);
    if (!built.ok())
        co_return Exchange{std::nullopt, built.error};
    auto pending = session.get(built.request, token);
    async::HttpResponse response = co_await std::move(pending);
    if (!response.received || token.isCancelled())
        co_return Exchange{std::nullopt, L10n::lookup(u"Server nicht erreichbar")};
    co_return Exchange{std::move(response), QString()};
}

} // namespace stagetimer
