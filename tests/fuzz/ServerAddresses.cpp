// Addresses as people type them, through every place that turns them into a request: the
// typed Ontime host, the Stagetimer server setting, the request URLs of both clients.
#include "FuzzInput.h"

#include "async/PlainGet.h"
#include "async/ServerAddress.h"
#include "stagetimer/StagetimerWire.h"

#include <QUrl>

#include <cstdlib>

namespace {

// A request must never go to a host other than the one the text names.
void requireSameHost(const QNetworkRequest& request, const QString& base) {
    const QUrl built = request.url();
    const QUrl origin(base, QUrl::StrictMode);
    if (built.host() != origin.host() || built.port(-1) != origin.port(-1))
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QString text = fuzz::text(data, size);
    if (const std::optional<async::ServerAddress> address = async::parseServerAddress(text)) {
        if (address->host.isEmpty() || address->port == 0 || address->port > 65535)
            std::abort();
        async::requestUrl(address->host, address->port > 0 ? address->port : 4001,
                          QStringLiteral("api/poll"));
    }
    for (const QString& base : stagetimer::candidates(text)) {
        const stagetimer::BuiltRequest built =
            stagetimer::buildRequest(base, QStringLiteral("get_status"),
                                     stagetimer::timerQuery(text), text, QStringLiteral("key"));
        if (built.ok())
            requireSameHost(built.request, base);
    }
    stagetimer::encodeQueryValue(text);
    async::requestUrl(text, 4001, QStringLiteral("api/version"));
    return 0;
}
