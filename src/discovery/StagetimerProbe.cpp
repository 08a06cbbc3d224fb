#include "discovery/StagetimerProbe.h"

#include "async/PlainGet.h"

#include <QStringDecoder>

#include <algorithm>

namespace Discovery {
namespace {

constexpr qsizetype stagetimerPrefixBytes = 400;

// Any answer counts, whatever its status, as long as it names the program.
QCoro::Task<bool> says(async::HttpSession& session, QString host, qint64 port, QString path,
                       async::CancelToken token) {
    auto pending =
        async::plainGet(session, std::move(host), port, std::move(path), std::move(token));
    const async::HttpResponse response = co_await std::move(pending);
    co_return response.received&& namesStagetimer(response.body);
}

} // namespace

bool namesStagetimer(const QByteArray& body) {
    // Stateless: a sequence cut off at the end of the prefix is an error, not pending input.
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decoder.decode(
        QByteArrayView(body).first(std::min<qsizetype>(body.size(), stagetimerPrefixBytes)));
    if (decoder.hasError())
        return false;
    return text.contains(u"stagetimer", Qt::CaseInsensitive);
}

QCoro::Task<std::optional<StagetimerDesktop>>
probeStagetimer(QString host, qint64 port, async::HttpSession& session, async::CancelToken token) {
    auto asking = says(session, host, port, QStringLiteral("api/v1/"), token);
    const bool current = co_await std::move(asking);
    if (current)
        co_return StagetimerDesktop{host, port, true};
    auto askingOld = says(session, host, port, QStringLiteral("api/v0/"), token);
    const bool old = co_await std::move(askingOld);
    if (old)
        co_return StagetimerDesktop{host, port, false};
    co_return std::nullopt;
}

} // namespace Discovery
