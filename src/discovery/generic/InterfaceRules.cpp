#include "discovery/Interfaces.h"

#include "l10n/L10n.h"

#include <QNetworkInterface>

namespace Discovery {

// Without the Unix naming conventions, the interface's kind decides.
bool isScannableInterfaceName(QStringView) {
    return true;
}

QString noNetworkLine() {
    return L10n::lookup(u"Kein Netzwerk gefunden – nur dieser Computer wird geprüft");
}

std::optional<QList<InterfaceAddress>> systemInterfaceAddresses() {
    QList<InterfaceAddress> addresses;
    for (const QNetworkInterface& interface : QNetworkInterface::allInterfaces()) {
        const auto type = interface.type();
        if (type != QNetworkInterface::Ethernet && type != QNetworkInterface::Wifi)
            continue;
        for (const QNetworkAddressEntry& entry : interface.addressEntries()) {
            InterfaceAddress address;
            address.name = interface.name();
            address.ipv4 = entry.ip().protocol() == QAbstractSocket::IPv4Protocol;
            address.up = interface.flags().testFlag(QNetworkInterface::IsUp);
            address.loopback = interface.flags().testFlag(QNetworkInterface::IsLoopBack);
            address.hasNetmask = !entry.netmask().isNull();
            if (address.ipv4) {
                address.ip = entry.ip().toIPv4Address();
                address.mask = entry.netmask().toIPv4Address();
            }
            addresses.append(address);
        }
    }
    return addresses;
}

} // namespace Discovery
