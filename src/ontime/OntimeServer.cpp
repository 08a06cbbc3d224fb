#include "ontime/OntimeServer.h"

QString probePath(OntimeAPI api) {
    return api == OntimeAPI::v3 ? QStringLiteral("api/version") : QStringLiteral("ontime/info");
}

QString pollPath(OntimeAPI api) {
    return api == OntimeAPI::v3 ? QStringLiteral("api/poll") : QStringLiteral("ontime/poll");
}

QString OntimeServer::label() const {
    return host + u':' + QString::number(port) + QStringLiteral(" \u2013 Ontime ") + version;
}

size_t qHash(const OntimeServer& server, size_t seed) noexcept {
    return qHashMulti(seed, server.host, server.port, static_cast<int>(server.api), server.version);
}
