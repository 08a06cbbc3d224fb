#include "powerpoint/PresentationStatus.h"

#include "l10n/Format.h"
#include "l10n/L10n.h"
#include "powerpoint/PowerPointWatcher.h"
#include "powerpoint/PresentationProgram.h"

namespace PresentationStatus {

QString line(const State& state) {
    const bool powerPoint = state.program == PresentationProgram::powerPoint;
    if (state.permissionDenied)
        return L10n::lookup(u"Keine Berechtigung, PowerPoint abzufragen");
    if (state.slideShowRunning) {
        if (!state.positionKnown)
            return L10n::fill(L10n::lookup(u"Präsentation läuft in %@ – ohne Foliennummer"),
                              {state.program});
        if (powerPoint || state.program.isEmpty())
            return L10n::fill(L10n::lookup(u"Präsentation läuft – Folie %d"), {state.position});
        return L10n::fill(L10n::lookup(u"Präsentation läuft in %@ – Folie %d"),
                          {state.program, state.position});
    }
    if (!state.program.isEmpty()) {
        if (powerPoint)
            return L10n::lookup(u"PowerPoint läuft, keine Präsentation");
        return L10n::fill(L10n::lookup(u"%@ läuft, keine Präsentation"), {state.program});
    }
    if (state.watchesOtherPrograms)
        return L10n::lookup(u"Kein Präsentationsprogramm geöffnet");
    return L10n::lookup(u"PowerPoint ist nicht geöffnet");
}

QString line(const PowerPointWatcher& watcher, bool watchesOtherPrograms) {
    return line({watcher.permissionDenied(), watcher.slideShowRunning(), watcher.program(),
                 watcher.positionKnown(), watcher.position(), watchesOtherPrograms});
}

} // namespace PresentationStatus
