#pragma once

#include "powerpoint/ScriptRunner.h"

#include <functional>

// How the watcher reaches the presentation programs. The application hands in what its
// platform offers; tests hand in scripted queries.
struct PresentationQueries {
    // Makes the query; called once, on the runner's thread.
    ScriptRunner::QueryFactory create;
    // Whether a query may be sent now, asked on the main thread before every poll: a query
    // that addresses a program which is not running may launch it. Empty: always.
    std::function<bool()> allowed;
};
