#include "app/StatusLines.h"

#include "l10n/Format.h"
#include "l10n/L10n.h"

namespace StatusLines {

QString internalTimer(qint64 talkLengthMinutes) {
    if (talkLengthMinutes > 0)
        return L10n::fill(
            L10n::lookup(u"Interner Timer (Redezeit %d min, startet mit dem ersten Klick)"),
            {talkLengthMinutes});
    return L10n::lookup(u"Interner Timer (Vortragszeit, startet mit dem ersten Klick)");
}

QString internalTimerSearching() {
    return L10n::lookup(u"Interner Timer – suche Ontime und Stagetimer …");
}

QString stagetimer(const QString& status) {
    return QStringLiteral("Stagetimer \u2013 ") + status;
}

} // namespace StatusLines
