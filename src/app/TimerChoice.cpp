#include "app/TimerChoice.h"

#include "l10n/L10n.h"

TimerChoice TimerChoice::ontime(const OntimeServer& server) {
    TimerChoice choice;
    choice.kind = Kind::ontime;
    choice.server = server;
    return choice;
}

TimerChoice TimerChoice::stagetimer(const StagetimerDesktop& desktop) {
    TimerChoice choice;
    choice.kind = Kind::stagetimer;
    choice.desktop = desktop;
    return choice;
}

TimerChoice TimerChoice::internalTimer() {
    return {};
}

QString TimerChoice::label() const {
    switch (kind) {
    case Kind::ontime:
        return server.label();
    case Kind::stagetimer:
        return desktop.host + u':' + QString::number(desktop.port) +
               QStringLiteral(" \u2013 Stagetimer") +
               (desktop.apiV1 ? QString() : QStringLiteral(" (alt)"));
    case Kind::internalTimer:
        break;
    }
    return L10n::lookup(u"Interner Timer (Vortragszeit)");
}

QList<TimerChoice> TimerChoice::list(const QList<OntimeServer>& ontimes,
                                     const QList<StagetimerDesktop>& stagetimers) {
    QList<TimerChoice> choices;
    for (const OntimeServer& server : ontimes)
        choices.append(ontime(server));
    for (const StagetimerDesktop& desktop : stagetimers)
        choices.append(stagetimer(desktop));
    choices.append(internalTimer());
    return choices;
}

int TimerChoice::preselected(const QList<TimerChoice>& choices, bool internalIsSource) {
    if (choices.isEmpty())
        return -1;
    return internalIsSource ? int(choices.size()) - 1 : 0;
}
