#pragma once

#include <QCommandLineParser>
#include <QStringList>

#include <optional>

// Parses a subcommand's arguments with the options it declares. Unknown options and missing
// values become a usage error; numbers are checked here so each command reads plain values.
class Options {
public:
    explicit Options(QList<QCommandLineOption> options);

    // False after a usage error has been written to standard error.
    bool parse(const QStringList& arguments);
    // The same for a command that takes options only: a positional argument is a usage error.
    bool parseOptionsOnly(const QStringList& arguments);

    bool isSet(const QString& name) const { return m_parser.isSet(name); }
    QString value(const QString& name) const { return m_parser.value(name); }
    QStringList values(const QString& name) const { return m_parser.values(name); }
    QStringList positional() const { return m_parser.positionalArguments(); }

    // The option's value as a whole number within [minimum, maximum], `fallback` when the
    // option is absent, or nothing after a usage error was written.
    std::optional<qint64> number(const QString& name, qint64 fallback, qint64 minimum,
                                 qint64 maximum) const;

private:
    QCommandLineParser m_parser;
};

// Ctrl+C and SIGTERM for commands that run an event loop on a temporary settings store: the
// signal only marks the stop, and the command's next tick leaves the loop, so that the
// store (which may hold a room's key) is removed on the normal way out.
void catchStopSignals();
// The signal that asked to stop, or 0.
int stopSignal();
