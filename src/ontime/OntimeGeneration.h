#pragma once

#include "ontime/TimeFormat.h"

#include <QStringView>

// What an Ontime server offers beyond its HTTP interface and how its own timer view shows
// time, read from the version text it reports ("4.11.0", "v3.16.1"). A text that names no
// version counts as the newest generation we know.
struct OntimeGeneration {
    // A socket at "/ws" that pushes the running state: every generation from 3.0 on.
    bool socket = true;
    // 3.11 to 3.16 send each changed key as a message of its own and close every batch with a
    // flush message; the keys of a batch belong together and are taken over together.
    bool batches = false;
    // Generation 4 rounds a count-down up to its next whole second, generation 3 down.
    SecondsRule seconds = SecondsRule::up;

    static OntimeGeneration of(QStringView version);
};
