#include "powerpoint/ProcessPowerPointQuery.h"

#include "powerpoint/PowerPoint.h"

#include <QDeadlineTimer>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QThread>

namespace {

// How often a waiting run looks whether its thread is asked to stop.
constexpr int stopCheckMs = 50;

} // namespace

ProcessPowerPointQuery::ProcessPowerPointQuery(QString command, QStringList arguments)
    : ProcessPowerPointQuery(std::move(command), std::move(arguments), Limits{}) {}

ProcessPowerPointQuery::ProcessPowerPointQuery(QString command, QStringList arguments,
                                               Limits limits)
    : m_command(std::move(command))
    , m_arguments(std::move(arguments))
    , m_limits(limits) {}

std::unique_ptr<ProcessPowerPointQuery> ProcessPowerPointQuery::osascript(const QString& source) {
    return std::make_unique<ProcessPowerPointQuery>(QStringLiteral("/usr/bin/osascript"),
                                                    osascriptArguments(source));
}

QStringList ProcessPowerPointQuery::osascriptArguments(const QString& source) {
    QStringList arguments;
    for (const QString& line : source.split(u'\n')) {
        arguments.append(QStringLiteral("-e"));
        arguments.append(line);
    }
    return arguments;
}

QString ProcessPowerPointQuery::configuredCommand() {
    return qEnvironmentVariable("KLV_POWERPOINT_SCRIPT");
}

bool ProcessPowerPointQuery::commandAvailable() {
    const QString command = configuredCommand();
    if (command.isEmpty())
        return false;
    const QFileInfo file(command);
    return file.isFile() && file.isExecutable();
}

int ProcessPowerPointQuery::errorNumber(QStringView errorOutput) {
    static const QRegularExpression trailingNumber(QStringLiteral(R"(\((-?\d+)\)\s*$)"));
    static const QRegularExpression bareNumber(QStringLiteral(R"(^\s*(-?\d+)\s*$)"));
    for (const QRegularExpression* pattern : {&trailingNumber, &bareNumber}) {
        const QRegularExpressionMatch match = pattern->match(errorOutput.toString());
        if (match.hasMatch()) {
            bool ok = false;
            const int number = match.capturedView(1).toInt(&ok);
            if (ok)
                return number;
        }
    }
    return -1;
}

ScriptResult ProcessPowerPointQuery::run() {
    if (m_command.isEmpty())
        return {std::nullopt, -1};

    // One deadline for starting and answering together.
    QDeadlineTimer deadline(m_answered ? m_limits.later : m_limits.first);
    QProcess process;
    process.setProgram(m_command);
    process.setArguments(m_arguments);
    process.start(QIODevice::ReadOnly);
    if (!process.waitForStarted(static_cast<int>(deadline.remainingTime())))
        return {std::nullopt, -1};
    while (process.state() != QProcess::NotRunning && !process.waitForFinished(stopCheckMs)) {
        if (deadline.hasExpired() || QThread::currentThread()->isInterruptionRequested()) {
            // Killed and reaped here, so the next run never starts beside it.
            process.kill();
            process.waitForFinished(-1);
            return {std::nullopt, PowerPoint::errorTimedOut};
        }
    }
    if (process.exitStatus() != QProcess::NormalExit)
        return {std::nullopt, -1};
    if (process.exitCode() != 0) {
        const int error = errorNumber(QString::fromUtf8(process.readAllStandardError()).trimmed());
        m_answered = m_answered || error == PowerPoint::errorNotPermitted;
        return {std::nullopt, error};
    }

    // Like osascript, the command ends its answer with a line break; nothing else is trimmed.
    QString answer = QString::fromUtf8(process.readAllStandardOutput());
    while (answer.endsWith(u'\n') || answer.endsWith(u'\r'))
        answer.chop(1);
    m_answered = true;
    return {PowerPoint::parsePosition(answer), 0};
}
