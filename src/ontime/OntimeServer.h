#pragma once

#include <QHashFunctions>
#include <QMetaType>
#include <QString>

// The generation of an Ontime server's HTTP interface.
enum class OntimeAPI { v1, v3 };

// The path (without leading slash) that tells whether a host speaks this generation.
QString probePath(OntimeAPI api);
// The path that returns the running state.
QString pollPath(OntimeAPI api);

// One Ontime server. Two records are the same server only if all four fields match, so a
// server that was updated to a new version counts as a new one.
struct OntimeServer {
    QString host;
    qint64 port = 0;
    OntimeAPI api = OntimeAPI::v3;
    // The version text of a current server; always "1.x" for a legacy one.
    QString version;

    // "host:port – Ontime version", as status lines, the chooser and the setup window show it.
    QString label() const;

    friend bool operator==(const OntimeServer&, const OntimeServer&) = default;
};

size_t qHash(const OntimeServer& server, size_t seed = 0) noexcept;

Q_DECLARE_METATYPE(OntimeServer)
