#include "stagetimer/StagetimerWire.h"

#include "app/SettingsStore.h"
#include "l10n/L10n.h"
#include "json/JsonFields.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QUrl>

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

// The characters a URL query may hold as they are: letters and digits of ASCII and
// !$&'()*+,-./:;=?@_~
bool allowedInQuery(uchar c) {
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))
        return true;
    static constexpr char others[] = "!$&'()*+,-./:;=?@_~";
    for (const char other : others) {
        if (other != '\0' && static_cast<uchar>(other) == c)
            return true;
    }
    return false;
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
    if (serverSetting.startsWith(u"http://") || serverSetting.startsWith(u"https://")) {
        QString base = serverSetting;
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

QString interpretFailure(int status, const std::optional<QString>& message, bool hasEnvelope) {
    const bool hasMessage = hasEnvelope && message.has_value();
    if (status >= 200 && status <= 299)
        return hasMessage ? *message : L10n::lookup(u"Unerwartete Antwort");
    if (status == 401 || status == 403)
        return L10n::lookup(u"API-Key ungültig");
    if (status == 404)
        return hasMessage ? *message : L10n::lookup(u"Raum nicht gefunden");
    if (status == 429)
        return L10n::lookup(u"Zu viele Anfragen – kurz warten");
    return hasMessage ? *message : QStringLiteral("HTTP ") + QString::number(status);
}

} // namespace detail

QString showingMessage(const STMessages& messages) {
    if (!messages.messages)
        return {};
    for (const STMessage& message : *messages.messages) {
        if (message.showing.value_or(false))
            return message.text.value_or(QString());
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
        if (allowedInQuery(c)) {
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
    if (!url.isValid() || url.isRelative()) {
        built.error = L10n::lookup(u"Ungültige Adresse");
        return built;
    }
    if (!isUsableHeaderValue(key)) {
        built.error = L10n::lookup(u"API-Key ungültig");
        return built;
    }
    built.request = QNetworkRequest(url);
    built.request.setRawHeader("Authorization", "Bearer " + key.toUtf8());
    // The key goes along only as far as the origin it was meant for.
    built.request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                               QNetworkRequest::SameOriginRedirectPolicy);
    return built;
}

QCoro::Task<Exchange> exchange(async::HttpSession& session, QString path, QString base,
                               QString extra, async::CancelToken token) {
    const SettingsStore settings;
    const BuiltRequest built =
        buildRequest(base, path, extra, settings.stagetimerRoom(), settings.stagetimerKey());
    if (!built.ok())
        co_return Exchange{std::nullopt, built.error};
    auto pending = session.get(built.request, token);
    async::HttpResponse response = co_await std::move(pending);
    if (!response.received || token.isCancelled())
        co_return Exchange{std::nullopt, L10n::lookup(u"Server nicht erreichbar")};
    co_return Exchange{std::move(response), QString()};
}

} // namespace stagetimer
