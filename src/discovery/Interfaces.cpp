#include "discovery/Interfaces.h"

#include <QMutex>
#include <QMutexLocker>

#include <algorithm>

namespace Discovery {
namespace {

QMutex providerMutex;
InterfaceProvider installedProvider;

constexpr quint32 linkLocalNetwork = 0xA9FE0000; // 169.254.0.0/16
// At most 12 host bits: a larger network is cut to the /20 around the own address.
constexpr quint32 widestMask = 0xFFFFF000;

// Four decimal numbers from 0 to 255; none of the shorthand forms ("127.1") that the system's
// address parser would take.
std::optional<quint32> parseDottedQuad(const QString& text) {
    const QStringList parts = text.split(u'.');
    if (parts.size() != 4)
        return std::nullopt;
    quint32 address = 0;
    for (const QString& part : parts) {
        bool ok = false;
        const uint value = part.toUInt(&ok, 10);
        if (!ok || part.isEmpty() || part.size() > 3 || value > 255 ||
            !std::all_of(part.begin(), part.end(), [](QChar c) { return c >= u'0' && c <= u'9'; }))
            return std::nullopt;
        address = (address << 8) | value;
    }
    return address;
}

QList<InterfaceAddress> defaultInterfaceAddresses() {
    if (qEnvironmentVariableIsSet("KLV_SCAN_INTERFACES")) {
        // An unreadable variable must never fall back to the real interfaces: it stands in for
        // them, so take the readable entries and nothing else.
        QList<InterfaceAddress> list;
        const QString text = qEnvironmentVariable("KLV_SCAN_INTERFACES");
        for (const QStringView entry : QStringView(text).split(u',', Qt::SkipEmptyParts)) {
            QString error;
            if (const std::optional<InterfaceAddress> address = parseInterface(entry, &error))
                list.append(*address);
            else
                qWarning("KLV_SCAN_INTERFACES: %s", qPrintable(error));
        }
        return list;
    }
    return systemInterfaceAddresses().value_or(QList<InterfaceAddress>());
}

} // namespace

QList<InterfaceEntry> selectInterfaces(const QList<InterfaceAddress>& addresses) {
    QList<InterfaceEntry> entries;
    for (const InterfaceAddress& a : addresses) {
        if (!a.hasAddress || !a.hasNetmask || !a.ipv4 || !a.up || a.loopback)
            continue;
        if (!isScannableInterfaceName(a.name))
            continue;
        if ((a.ip & 0xFFFF0000) == linkLocalNetwork)
            continue;
        entries.append(InterfaceEntry{a.name, a.ip, a.mask});
    }
    return entries;
}

std::optional<InterfaceAddress> parseInterface(QStringView text, QString* error) {
    const auto failed = [&](const QString& problem) -> std::optional<InterfaceAddress> {
        if (error)
            *error = problem;
        return std::nullopt;
    };
    const QStringView entry = text.trimmed();
    const qsizetype equals = entry.indexOf(u'=');
    const qsizetype slash = entry.lastIndexOf(u'/');
    if (equals <= 0 || slash < equals)
        return failed(QStringLiteral("\"%1\" is not NAME=ADDRESS/BITS").arg(entry));
    const QString name = entry.first(equals).toString();
    const QString addressText = entry.sliced(equals + 1, slash - equals - 1).toString();
    bool bitsOk = false;
    const int bits = entry.sliced(slash + 1).toInt(&bitsOk);
    const std::optional<quint32> address = parseDottedQuad(addressText);
    if (!address)
        return failed(QStringLiteral("\"%1\" is not an IPv4 address").arg(addressText));
    if (!bitsOk || bits < 0 || bits > 32)
        return failed(QStringLiteral("\"%1\" needs a prefix length from 0 to 32").arg(entry));
    InterfaceAddress result;
    result.name = name;
    result.ip = *address;
    result.mask = bits == 0 ? 0 : ~quint32(0) << (32 - bits);
    return result;
}

std::optional<QList<InterfaceAddress>> parseInterfaceList(QStringView text, QString* error) {
    QList<InterfaceAddress> list;
    for (const QStringView entry : text.split(u',', Qt::SkipEmptyParts)) {
        if (entry.trimmed().isEmpty())
            continue;
        const std::optional<InterfaceAddress> address = parseInterface(entry, error);
        if (!address)
            return std::nullopt;
        list.append(*address);
    }
    return list;
}

void setInterfaceProvider(InterfaceProvider provider) {
    QMutexLocker lock(&providerMutex);
    installedProvider = std::move(provider);
}

QList<InterfaceAddress> interfaceAddresses() {
    InterfaceProvider provider;
    {
        QMutexLocker lock(&providerMutex);
        provider = installedProvider;
    }
    return provider ? provider() : defaultInterfaceAddresses();
}

QList<InterfaceEntry> localIPv4() {
    return selectInterfaces(interfaceAddresses());
}

QString ipString(quint32 address) {
    return QStringLiteral("%1.%2.%3.%4")
        .arg(address >> 24)
        .arg((address >> 16) & 0xFF)
        .arg((address >> 8) & 0xFF)
        .arg(address & 0xFF);
}

AddressPlan addressPlan(const QList<InterfaceEntry>& entries) {
    AddressPlan plan;
    plan.addresses.append(QStringLiteral("127.0.0.1"));
    for (const InterfaceEntry& entry : entries) {
        const quint32 mask = entry.mask | widestMask;
        // 64-bit, so that the block of 255.255.255.255/32 does not wrap around to 0.
        const quint64 first = quint64(entry.ip & mask) + 1;
        const quint64 end = entry.ip | ~mask;
        if (end <= first)
            continue;
        QStringList ownBlock;
        QStringList rest;
        for (quint64 address = first; address < end; ++address) {
            const auto ip = static_cast<quint32>(address);
            if (ip == entry.ip)
                continue;
            ((ip >> 8) == (entry.ip >> 8) ? ownBlock : rest).append(ipString(ip));
        }
        plan.addresses += ownBlock;
        plan.addresses += rest;
        plan.reportLines.append(entry.name + u' ' + ipString(entry.ip) + QStringLiteral(": ") +
                                ipString(static_cast<quint32>(first)) + QStringLiteral(" \u2013 ") +
                                ipString(static_cast<quint32>(end - 1)));
    }
    if (entries.isEmpty())
        plan.reportLines.append(noNetworkLine());
    return plan;
}

} // namespace Discovery
