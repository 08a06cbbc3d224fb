#include "cli/WatchPowerPointCommand.h"

#include "cli/JsonLine.h"
#include "cli/Options.h"
#include "cli/TickLimit.h"
#include "cli/Usage.h"
#include "platform/Platform.h"
#include "powerpoint/PowerPointWatcher.h"

#include <QCoreApplication>

namespace {

// One event line: event, program, slideShowRunning, position, permissionDenied.
JsonLine watcherEventLine(const QString& event, const PowerPointWatcher& watcher,
                          bool nullUnknownPosition) {
    const bool known = watcher.positionKnown() && watcher.slideShowRunning();
    const QJsonValue position = nullUnknownPosition && !known ? QJsonValue(QJsonValue::Null)
                                                              : QJsonValue(watcher.position());
    return JsonLine()
        .add(QStringLiteral("event"), event)
        .add(QStringLiteral("program"), watcher.program())
        .add(QStringLiteral("slideShowRunning"), watcher.slideShowRunning())
        .add(QStringLiteral("position"), position)
        .add(QStringLiteral("permissionDenied"), watcher.permissionDenied());
}

int runWatch(const QStringList& arguments, bool presentation) {
    Options options({{QStringLiteral("ticks"), QStringLiteral("Stop after N ticks of 0.25 s."),
                      QStringLiteral("N")}});
    if (!options.parseOptionsOnly(arguments))
        return usageExitCode;
    const std::optional<qint64> ticks =
        options.number(QStringLiteral("ticks"), 0, 1, 1'000'000'000);
    if (!ticks)
        return usageExitCode;

    PowerPointWatcher watcher(Platform::presentationQueries());
    const auto report = [&watcher, presentation](const QString& event) {
        watcherEventLine(event, watcher, presentation).print();
    };
    QObject::connect(&watcher, &PowerPointWatcher::slideShowStarted,
                     [report] { report(QStringLiteral("start")); });
    QObject::connect(&watcher, &PowerPointWatcher::slideChanged,
                     [report] { report(QStringLiteral("change")); });
    QObject::connect(&watcher, &PowerPointWatcher::slideShowEnded,
                     [report] { report(QStringLiteral("end")); });
    if (!presentation)
        QObject::connect(&watcher, &PowerPointWatcher::permissionDeniedChanged,
                         [report] { report(QStringLiteral("permission")); });
    watcher.start();

    TickLimit limit(*ticks);
    limit.start();
    return QCoreApplication::exec();
}

} // namespace

int runWatchPowerPoint(const QStringList& arguments) {
    return runWatch(arguments, false);
}

int runWatchPresentation(const QStringList& arguments) {
    return runWatch(arguments, true);
}
