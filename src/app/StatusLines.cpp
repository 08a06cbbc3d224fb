#include "app/StatusLines.h"

#include "l10n/Format.h"
#include "l10n/L10n.h"

namespace StatusLines {

QString powerPoint(bool permissionDenied, bool slideShowRunning, int position,
                   bool powerPointRunning) {
    if (permissionDenied)
        return L10n::lookup(u"Keine Berechtigung, PowerPoint abzufragen");
    if (slideShowRunning)
        return L10n::fill(L10n::lookup(u"Präsentation läuft – Folie %d"), {position});
    if (powerPointRunning)
        return L10n::lookup(u"PowerPoint läuft, keine Präsentation");
    return L10n::lookup(u"PowerPoint ist nicht geöffnet");
}

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
