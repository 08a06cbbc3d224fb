#pragma once

#include <optional>

// The outcome of one query: a position (negative when no slide show runs) and error 0, or no
// position and the error number of the failure.
struct ScriptResult {
    std::optional<int> position;
    int error = 0;
};

// One way of asking PowerPoint for the running slide show. Used on the watcher's serial
// thread only, one query at a time.
class PowerPointQuery {
public:
    virtual ~PowerPointQuery() = default;
    virtual ScriptResult run() = 0;
};
