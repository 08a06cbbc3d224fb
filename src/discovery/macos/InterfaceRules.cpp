#include "discovery/Interfaces.h"

#include "l10n/L10n.h"

namespace Discovery {

// Ethernet and Wi-Fi are "en…"; shared networks and Thunderbolt bridges are "bridge…".
bool isScannableInterfaceName(QStringView name) {
    return name.startsWith(u"en") || name.startsWith(u"bridge");
}

QString noNetworkLine() {
    return L10n::lookup(u"Kein Netzwerk gefunden – nur dieser Mac wird geprüft");
}

} // namespace Discovery
