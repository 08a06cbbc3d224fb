#pragma once

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

// Exit code for a command line that cannot be understood.
inline constexpr int usageExitCode = 2;

// Writes "kalvane: <problem>" and the usage text to standard error; returns usageExitCode.
int usageError(const QString& problem);
QString usageText();

// The subcommands, in the order the usage text lists them.
const QList<Command>& commands();
