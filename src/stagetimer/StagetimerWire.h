#pragma once

#include "async/CancelToken.h"
#include "async/HttpSession.h"

#include <QByteArray>
#include <QCoroTask>
#include <QJsonValue>
#include <QList>
#include <QNetworkRequest>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>
#include <utility>

// What crosses the wire between us and a Stagetimer room, in the cloud or in the desktop app:
// base addresses, requests, the JSON answers and the one text every failure turns into.
namespace stagetimer {

// The cloud service: KLV_STAGETIMER_CLOUD replaces its base address (tests point it at
// loopback). Both are read afresh on every call.
QString cloudBase();
// The name shown for the cloud in "connected to …": the domain of the base address.
QString cloudDisplayName();

// The base addresses to try for a server setting, in order; none for a setting that names no
// usable server (another scheme than http or https, in any letter case; a user name; a
// query or fragment; blanks inside).
QStringList candidates(const QString& serverSetting);

// Payload of "get_status": the state of the room's current timer. Instants are milliseconds
// since the Unix epoch on the server's clock.
struct STStatus {
    std::optional<QString> timer_id;
    std::optional<bool> running;
    std::optional<double> start;
    std::optional<double> finish;
    std::optional<double> pause;
    std::optional<double> server_time;
};

// Payload of "get_timer".
struct STTimer {
    std::optional<QString> name;
};

struct STMessage {
    std::optional<bool> showing;
    std::optional<QString> text;
    std::optional<QString> color;
};

// Payload of "get_all_messages". The service answers with the bare array of messages as
// `data`; an object holding `messages` is accepted as well.
struct STMessages {
    std::optional<QList<STMessage>> messages;
};

// The envelope of every answer.
template <typename Payload>
struct STResponse {
    std::optional<bool> ok;
    std::optional<QString> message;
    std::optional<Payload> data;
};

// Strict decoding of one payload: false when any known key holds a value of the wrong type.
// Absent keys and null leave the field empty; unknown keys are ignored.
bool decodePayload(const QJsonValue& value, STStatus& out);
bool decodePayload(const QJsonValue& value, STTimer& out);
bool decodePayload(const QJsonValue& value, STMessages& out);

namespace detail {
// The envelope's own keys; `data` stays raw for the payload decoder. False for a body that is
// not a JSON object or whose `ok` or `message` has the wrong type.
bool decodeEnvelope(const QByteArray& body, std::optional<bool>& ok,
                    std::optional<QString>& message, QJsonValue& data);
} // namespace detail

// The envelope of a body, or nothing when the body is not JSON or breaks a type rule anywhere.
template <typename Payload>
std::optional<STResponse<Payload>> decodeResponse(const QByteArray& body) {
    STResponse<Payload> response;
    QJsonValue data;
    if (!detail::decodeEnvelope(body, response.ok, response.message, data))
        return std::nullopt;
    if (!data.isUndefined() && !data.isNull()) {
        Payload payload;
        if (!decodePayload(data, payload))
            return std::nullopt;
        response.data = std::move(payload);
    }
    return response;
}

// Either the decoded payload or one error text, ready to show.
template <typename Payload>
struct Result {
    std::optional<Payload> payload;
    QString error;

    static Result success(Payload payload) { return Result{std::move(payload), QString()}; }
    static Result failure(QString error) { return Result{std::nullopt, std::move(error)}; }
    bool ok() const { return payload.has_value(); }
};

// The text of a message shown in the room: the first showing message in array order.
QString showingMessage(const STMessages& messages);

// A value percent-encoded for a query: everything but the unreserved characters becomes %XX
// of its UTF-8 bytes. Empty when the text is not valid UTF-16.
QString encodeQueryValue(const QString& text);

// A request ready to send, or the error text that stops it before anything is sent.
struct BuiltRequest {
    QNetworkRequest request;
    QString error;
    bool ok() const { return error.isNull(); }
};

// base + "/" + path + "?room_id=" + encoded room + extra, with extra taken verbatim (build it
// with timerQuery), and the room's bearer token. Refused when the result would go anywhere
// but the base address's server.
BuiltRequest buildRequest(const QString& base, const QString& path, const QString& extra,
                          const QString& room, const QString& key);

// "&timer_id=" and the encoded timer identifier.
QString timerQuery(const QString& timerID);

// An instant on the server's clock that can be a real time now, or nothing: 0, negative,
// not finite or centuries away is a missing or broken value.
std::optional<double> plausibleInstant(std::optional<double> ms);

// The server's clock minus ours, from the server's time and ours at the moment of its answer,
// or nothing when the server's time is missing or more than a day away from ours: no real
// pair of clocks is that far apart, and such an offset would show a time days away.
std::optional<double> plausibleClockOffset(std::optional<double> serverMs, double localMs);

namespace detail {
// The error text of a response status when the body has no usable envelope or payload.
QString interpretFailure(int status, const std::optional<QString>& message, bool hasEnvelope);
} // namespace detail

// Turns a response that arrived into the payload or the error text its status calls for.
template <typename Payload>
Result<Payload> interpret(const async::HttpResponse& response) {
    std::optional<STResponse<Payload>> envelope;
    if (!response.bodyTooLarge)
        envelope = decodeResponse<Payload>(response.body);
    const int status = response.status;
    if (status >= 200 && status <= 299 && envelope && envelope->data)
        return Result<Payload>::success(std::move(*envelope->data));
    return Result<Payload>::failure(detail::interpretFailure(
        status, envelope ? envelope->message : std::nullopt, envelope.has_value()));
}

// The room a request is for, and its API key.
struct Credentials {
    QString room;
    QString key;
};

// One exchange with the server: the response, or the error text when none arrived (address
// that does not parse, unusable key, transport failure, cancellation).
struct Exchange {
    std::optional<async::HttpResponse> response;
    QString error;
};

// Builds the request for the room and its API key and sends it.
QCoro::Task<Exchange> exchange(async::HttpSession& session, QString path, QString base,
                               QString extra, Credentials credentials, async::CancelToken token);

// GET `path` relative to `base`. `reportStatus` receives the HTTP status of a response that
// arrived, before anything else happens with it; it is not called when none arrived.
template <typename Payload>
QCoro::Task<Result<Payload>> get(async::HttpSession& session, QString path, QString base,
                                 QString extra, Credentials credentials, async::CancelToken token,
                                 std::function<void(int)> reportStatus) {
    // Named first: GCC 12 destroys temporaries inside a co_await expression twice.
    auto pending = exchange(session, std::move(path), std::move(base), std::move(extra),
                            std::move(credentials), token);
    const Exchange result = co_await std::move(pending);
    if (!result.response)
        co_return Result<Payload>::failure(result.error);
    if (reportStatus)
        reportStatus(result.response->status);
    co_return interpret<Payload>(*result.response);
}

} // namespace stagetimer
