#pragma once

#include <QHashFunctions>
#include <QMetaType>
#include <QString>

// A Stagetimer desktop application found on the local network.
struct StagetimerDesktop {
    // Where the desktop application listens unless it was told otherwise.
    static constexpr qint64 defaultPort = 3000;

    QString host;
    qint64 port = 0;
    // False when it answered only on its old "api/v0/" interface.
    bool apiV1 = true;

    friend bool operator==(const StagetimerDesktop&, const StagetimerDesktop&) = default;
};

size_t qHash(const StagetimerDesktop& desktop, size_t seed = 0) noexcept;

Q_DECLARE_METATYPE(StagetimerDesktop)
