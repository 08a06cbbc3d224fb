#pragma once

// A command reports a command line it cannot understand through usageError.
#include "cli/Usage.h"

#include <QString>
#include <QStringList>

// A diagnostic subcommand of the program. It runs after the core application object exists
// and returns the process's exit code.
struct Command {
    // The words that select it, e.g. {"watch", "powerpoint"}.
    QStringList words;
    // Its arguments as shown in the usage text.
    QString synopsis;
    int (*run)(const QStringList& arguments);
};

// The subcommands, in the order the usage text lists them.
const QList<Command>& commands();
