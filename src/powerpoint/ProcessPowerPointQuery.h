#pragma once

#include "powerpoint/PowerPointQuery.h"

#include <QString>
#include <QStringList>

#include <chrono>
#include <memory>

// Runs a command that prints the slide position (or -1 without a slide show) and exits 0,
// or fails the way osascript does: a non-zero exit with the error number in parentheses at
// the end of its error output, e.g. "execution error: Not authorised. (-1743)". A command that
// overruns its limit is killed, and gone, before the query reports a timeout; the runner
// shutting down ends it the same way.
class ProcessPowerPointQuery final : public PowerPointQuery {
public:
    // How long one run may take, from starting the command to its answer.
    struct Limits {
        // Until PowerPoint has answered once: the first run also starts osascript, compiles
        // the script and may wait while the user reads the system's question whether we may
        // control PowerPoint.
        std::chrono::milliseconds first = std::chrono::minutes(2);
        // Afterwards: the Apple event's own time limit and the start of the process.
        std::chrono::milliseconds later = std::chrono::seconds(5);
    };

    explicit ProcessPowerPointQuery(QString command, QStringList arguments = {});
    ProcessPowerPointQuery(QString command, QStringList arguments, Limits limits);

    // Runs an AppleScript through the system's osascript, in a process of its own: AppKit
    // allows compiled scripts on the main thread only, and a query must never block that one.
    static std::unique_ptr<ProcessPowerPointQuery> osascript(const QString& source);
    // One "-e" per line of `source`: osascript joins them with line feeds into the script.
    static QStringList osascriptArguments(const QString& source);

    ScriptResult run() override;

    // The command named by KLV_POWERPOINT_SCRIPT, or an empty text.
    static QString configuredCommand();
    // Whether KLV_POWERPOINT_SCRIPT names an existing executable file: where PowerPoint is
    // replaced by such a command, it counts as running exactly then.
    static bool commandAvailable();

    // The error number in a failed command's error output; -1 when there is none.
    static int errorNumber(QStringView errorOutput);

private:
    QString m_command;
    QStringList m_arguments;
    Limits m_limits;
    // Whether a run got an answer from PowerPoint (a position or a refusal).
    bool m_answered = false;
};
