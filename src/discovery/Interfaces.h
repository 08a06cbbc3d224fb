#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

// The computer's own IPv4 networks, as the network scan sees them.
namespace Discovery {

// One address of one interface as the operating system reports it, before selection.
struct InterfaceAddress {
    QString name;
    bool ipv4 = true;
    bool hasAddress = true;
    bool hasNetmask = true;
    bool up = true;
    bool loopback = false;
    // Host byte order.
    quint32 ip = 0;
    quint32 mask = 0;

    friend bool operator==(const InterfaceAddress&, const InterfaceAddress&) = default;
};

// One network the scan covers: interface name, own address and netmask, host byte order.
struct InterfaceEntry {
    QString name;
    quint32 ip = 0;
    quint32 mask = 0;

    friend bool operator==(const InterfaceEntry&, const InterfaceEntry&) = default;
};

// The addresses worth scanning, in the order given: up, not loopback, IPv4 with a netmask,
// an Ethernet-like, Wi-Fi or bridge name, and not link-local (169.254/16).
QList<InterfaceEntry> selectInterfaces(const QList<InterfaceAddress>& addresses);

// Whether an interface name belongs to a kind of network the scan covers on this platform.
bool isScannableInterfaceName(QStringView name);

// The report line of a scan that found no network: only this computer is probed.
QString noNetworkLine();

// The operating system's interface addresses, or nothing when they cannot be read.
std::optional<QList<InterfaceAddress>> systemInterfaceAddresses();

// Reads "en9=127.0.1.20/24,en10=127.0.2.5/22": each entry stands for an interface that is up
// and not loopback, with that name, address and prefix length. Empty entries are skipped.
// Nothing, with `error` set, when an entry cannot be read.
std::optional<QList<InterfaceAddress>> parseInterfaceList(QStringView text,
                                                          QString* error = nullptr);
// One entry "NAME=ADDR/BITS".
std::optional<InterfaceAddress> parseInterface(QStringView text, QString* error = nullptr);

// Where the interface addresses come from. By default: the list in KLV_SCAN_INTERFACES when
// that variable is set (even empty; then there is no network), else the operating system.
using InterfaceProvider = std::function<QList<InterfaceAddress>()>;
// Replaces the source for this process; an empty provider restores the default.
void setInterfaceProvider(InterfaceProvider provider);
QList<InterfaceAddress> interfaceAddresses();

// The selected interface entries, in the order the source lists them.
QList<InterfaceEntry> localIPv4();

// Dotted text of an address in host byte order.
QString ipString(quint32 address);

// The addresses a scan probes and the report lines that describe them: "127.0.0.1" first,
// then per interface its block (at most a /20 around the own address), own /24 first, without
// the own and the broadcast address.
struct AddressPlan {
    QStringList addresses;
    QStringList reportLines;
};
AddressPlan addressPlan(const QList<InterfaceEntry>& entries);

} // namespace Discovery
