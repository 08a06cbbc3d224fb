#pragma once

#include "powerpoint/PresentationProgram.h"

#include <QString>

#include <functional>
#include <optional>

// The outcome of one query: a position (negative when no slide show runs) and error 0, or no
// position and the error number of the failure.
struct ScriptResult {
    std::optional<int> position;
    int error = 0;
    // The program that answered: the one presenting, or without a show the one that is open;
    // empty when no presentation program is open at all.
    QString program = PresentationProgram::powerPoint;
    // False for programs that tell that the slide changed but not which slide is shown: their
    // position then counts the changes since the show started.
    bool positionKnown = true;
};

// One way of asking PowerPoint for the running slide show. Used on the watcher's serial
// thread only, one query at a time. A query that may wait long stops early once its thread
// is asked to (QThread::isInterruptionRequested), as when the runner shuts down.
class PowerPointQuery {
public:
    virtual ~PowerPointQuery() = default;
    virtual ScriptResult run() = 0;

    // Queries that hear about changes between two runs (pushed events) call `notify`, on the
    // runner's thread, so that the watcher asks again at once instead of at its next poll.
    virtual void setChangeNotifier(std::function<void()> notify) { (void)notify; }
};
