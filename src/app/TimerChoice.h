#pragma once

#include "discovery/StagetimerDesktop.h"
#include "ontime/OntimeServer.h"

#include <QList>
#include <QString>

// One timer the timer window can show: an Ontime server, a Stagetimer desktop application
// found on the network, or the internal talk timer. A plain value.
struct TimerChoice {
    enum class Kind { ontime, stagetimer, internalTimer };

    Kind kind = Kind::internalTimer;
    // Set for `ontime` only.
    OntimeServer server;
    // Set for `stagetimer` only.
    StagetimerDesktop desktop;

    static TimerChoice ontime(const OntimeServer& server);
    static TimerChoice stagetimer(const StagetimerDesktop& desktop);
    static TimerChoice internalTimer();

    // The radio button's text: "host:port – Ontime version", "host:port – Stagetimer" with
    // " (alt)" for an application without API v1, or the internal timer's name.
    QString label() const;

    // What a search offers, in the order the search sorted it, the internal timer last.
    static QList<TimerChoice> list(const QList<OntimeServer>& ontimes,
                                   const QList<StagetimerDesktop>& stagetimers);
    // The row selected when the chooser opens: the internal timer when it is the stored
    // source, else the first row.
    static int preselected(const QList<TimerChoice>& choices, bool internalIsSource);

    friend bool operator==(const TimerChoice&, const TimerChoice&) = default;
};
