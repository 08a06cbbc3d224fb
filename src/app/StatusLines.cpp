#include "app/StatusLines.h"

#include "l10n/L10n.h"

namespace StatusLines {

QString internalTimer() {
    return L10n::lookup(u"Interner Timer (Vortragszeit, startet mit dem ersten Klick)");
}

QString internalTimerSearching() {
    return L10n::lookup(u"Interner Timer – suche Ontime und Stagetimer …");
}

QString stagetimer(const QString& status) {
    return QStringLiteral("Stagetimer \u2013 ") + status;
}

} // namespace StatusLines
