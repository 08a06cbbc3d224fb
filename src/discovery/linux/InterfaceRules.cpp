#include "discovery/Interfaces.h"

#include "l10n/L10n.h"

namespace Discovery {

// Wired ("en…", "eth…"), wireless ("wl…", "wlan…") and bridge ("br…") interfaces. Bridges
// that container engines create ("br-…", "docker…") and the virtual links behind them
// ("veth…", "virbr…") lead to no timer in the room.
bool isScannableInterfaceName(QStringView name) {
    if (name.startsWith(u"br-") || name.startsWith(u"docker") || name.startsWith(u"veth") ||
        name.startsWith(u"virbr"))
        return false;
    return name.startsWith(u"en") || name.startsWith(u"eth") || name.startsWith(u"wl") ||
           name.startsWith(u"br");
}

QString noNetworkLine() {
    return L10n::lookup(u"Kein Netzwerk gefunden – nur dieser Computer wird geprüft");
}

} // namespace Discovery
