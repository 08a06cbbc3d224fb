#include "app/StatusLines.h"

#include "l10n/Format.h"
#include "l10n/L10n.h"
#include "powerpoint/PresentationProgram.h"
#include "powerpoint/PresentationStatus.h"

namespace StatusLines {

QString powerPoint(bool permissionDenied, bool slideShowRunning, int position,
                   bool powerPointRunning) {
    PresentationStatus::State state;
    state.permissionDenied = permissionDenied;
    state.slideShowRunning = slideShowRunning;
    state.position = position;
    if (powerPointRunning)
        state.program = PresentationProgram::powerPoint;
    return PresentationStatus::line(state);
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
