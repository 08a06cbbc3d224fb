#include "discovery/Interfaces.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#include <sys/socket.h>

namespace Discovery {

std::optional<QList<InterfaceAddress>> systemInterfaceAddresses() {
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0)
        return std::nullopt;
    QList<InterfaceAddress> addresses;
    for (const ifaddrs* entry = list; entry; entry = entry->ifa_next) {
        InterfaceAddress address;
        address.name = QString::fromLocal8Bit(entry->ifa_name);
        address.hasAddress = entry->ifa_addr != nullptr;
        address.hasNetmask = entry->ifa_netmask != nullptr;
        address.ipv4 = address.hasAddress && entry->ifa_addr->sa_family == AF_INET;
        address.up = (entry->ifa_flags & IFF_UP) != 0;
        address.loopback = (entry->ifa_flags & IFF_LOOPBACK) != 0;
        if (address.ipv4) {
            address.ip =
                ntohl(reinterpret_cast<const sockaddr_in*>(entry->ifa_addr)->sin_addr.s_addr);
            if (address.hasNetmask)
                address.mask = ntohl(
                    reinterpret_cast<const sockaddr_in*>(entry->ifa_netmask)->sin_addr.s_addr);
        }
        addresses.append(address);
    }
    freeifaddrs(list);
    return addresses;
}

} // namespace Discovery
