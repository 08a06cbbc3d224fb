#include "discovery/Interfaces.h"

#include "l10n/L10n.h"

namespace Discovery {

// Predictable names of wired ("en…"), wireless ("wl…") and bridge ("br…") interfaces.
bool isScannableInterfaceName(QStringView name) {
    return name.startsWith(u"en") || name.startsWith(u"wl") || name.startsWith(u"br");
}

QString noNetworkLine() {
    return L10n::lookup(u"Kein Netzwerk gefunden – nur dieser Computer wird geprüft");
}

} // namespace Discovery
