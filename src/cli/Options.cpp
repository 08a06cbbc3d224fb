#include "cli/Options.h"

#include "cli/Usage.h"

#include <csignal>

Options::Options(QList<QCommandLineOption> options) {
    m_parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    m_parser.addOptions(options);
}

bool Options::parse(const QStringList& arguments) {
    // QCommandLineParser expects the program name first.
    if (!m_parser.parse(QStringList{QStringLiteral("kalvane")} + arguments)) {
        usageError(m_parser.errorText());
        return false;
    }
    return true;
}

bool Options::parseOptionsOnly(const QStringList& arguments) {
    if (!parse(arguments))
        return false;
    if (!positional().isEmpty()) {
        usageError(QStringLiteral("unexpected argument \"%1\"").arg(positional().first()));
        return false;
    }
    return true;
}

std::optional<qint64> Options::number(const QString& name, qint64 fallback, qint64 minimum,
                                      qint64 maximum) const {
    if (!m_parser.isSet(name))
        return fallback;
    bool ok = false;
    const qint64 value = m_parser.value(name).toLongLong(&ok);
    if (!ok || value < minimum || value > maximum) {
        usageError(QStringLiteral("--%1 needs a whole number from %2 to %3")
                       .arg(name)
                       .arg(minimum)
                       .arg(maximum));
        return std::nullopt;
    }
    return value;
}

namespace {

volatile std::sig_atomic_t caughtSignal = 0;

void markStop(int signal) {
    caughtSignal = signal;
}

} // namespace

void catchStopSignals() {
    std::signal(SIGINT, markStop);
    std::signal(SIGTERM, markStop);
}

int stopSignal() {
    return caughtSignal;
}
