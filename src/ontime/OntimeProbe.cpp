#include "ontime/OntimeProbe.h"

#include "async/PlainGet.h"
#include "ontime/OntimeRecords.h"
#include "json/CleanText.h"

QCoro::Task<std::optional<OntimeServer>>
probeOntime(QString host, qint64 port, async::HttpSession& session, async::CancelToken token) {
    auto asking =
        async::fetchChecked<VersionResponse>(host, port, probePath(OntimeAPI::v3), session, token);
    const async::Fetched<VersionResponse> version = co_await std::move(asking);
    if (version.value)
        co_return OntimeServer{host, port, OntimeAPI::v3,
                               cleanText(version.value->payload, labelLength)};
    if (!version.reachable)
        co_return std::nullopt;
    auto askingLegacy =
        async::fetchChecked<LegacyInfo>(host, port, probePath(OntimeAPI::v1), session, token);
    const async::Fetched<LegacyInfo> legacy = co_await std::move(askingLegacy);
    if (legacy.value)
        co_return OntimeServer{host, port, OntimeAPI::v1, QStringLiteral("1.x")};
    co_return std::nullopt;
}
