#pragma once

#include "powerpoint/PowerPointQuery.h"

#include <memory>

// Asks PowerPoint through Apple events with a script compiled once. Created and used on the
// watcher's serial thread only; NSAppleScript must never run concurrently.
class AppleScriptPowerPointQuery final : public PowerPointQuery {
public:
    AppleScriptPowerPointQuery();
    ~AppleScriptPowerPointQuery() override;

    ScriptResult run() override;

private:
    struct Script;
    std::unique_ptr<Script> m_script;
};
