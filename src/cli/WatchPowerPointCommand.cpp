#include "cli/WatchPowerPointCommand.h"

#include "cli/Command.h"
#include "cli/JsonLine.h"
#include "cli/Options.h"
#include "cli/TickLimit.h"
#include "powerpoint/PowerPointWatcher.h"

#include <QCoreApplication>

int runWatchPowerPoint(const QStringList& arguments) {
    Options options({{QStringLiteral("ticks"), QStringLiteral("Stop after N ticks of 0.25 s."),
                      QStringLiteral("N")}});
    if (!options.parse(arguments))
        return usageExitCode;
    if (!options.positional().isEmpty())
        return usageError(
            QStringLiteral("unexpected argument \"%1\"").arg(options.positional().first()));
    const std::optional<qint64> ticks =
        options.number(QStringLiteral("ticks"), 0, 1, 1'000'000'000);
    if (!ticks)
        return usageExitCode;

    PowerPointWatcher watcher;
    const auto report = [&watcher](const QString& event) {
        JsonLine()
            .add(QStringLiteral("event"), event)
            .add(QStringLiteral("slideShowRunning"), watcher.slideShowRunning())
            .add(QStringLiteral("position"), watcher.position())
            .add(QStringLiteral("permissionDenied"), watcher.permissionDenied())
            .print();
    };
    watcher.onSlideShowStart = [report] { report(QStringLiteral("start")); };
    watcher.onSlideChange = [report] { report(QStringLiteral("change")); };
    watcher.onSlideShowEnd = [report] { report(QStringLiteral("end")); };
    watcher.onPermissionChange = [report] { report(QStringLiteral("permission")); };
    watcher.start();

    TickLimit limit(*ticks);
    limit.start();
    return QCoreApplication::exec();
}
