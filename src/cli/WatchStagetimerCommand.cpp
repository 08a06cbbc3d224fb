#include "cli/WatchStagetimerCommand.h"

#include "app/StagetimerDisplay.h"
#include "cli/Command.h"
#include "cli/JsonLine.h"
#include "cli/Options.h"
#include "cli/TickLimit.h"
#include "settings/SettingsStore.h"
#include "stagetimer/StagetimerModel.h"

#include <QCoreApplication>
#include <QJsonValue>
#include <QTemporaryDir>

int runWatchStagetimer(const QStringList& arguments) {
    // Everything below runs on a store of its own, so the user's room, key and choice of
    // timer stay as they are.
    QTemporaryDir folder;
    if (!folder.isValid())
        return usageError(QStringLiteral("cannot create a temporary settings folder"));
    SettingsStore settings(folder.filePath(QStringLiteral("settings.ini")));

    Options options(
        {{QStringLiteral("room"), QStringLiteral("Stagetimer room ID."), QStringLiteral("R")},
         {QStringLiteral("key"), QStringLiteral("API key of the room."), QStringLiteral("K")},
         {QStringLiteral("server"),
          QStringLiteral("Desktop app as IP:Port or a base address; the cloud "
                         "when absent."),
          QStringLiteral("S")},
         {QStringLiteral("ticks"), QStringLiteral("Stop after N ticks of 0.25 s."),
          QStringLiteral("N")}});
    if (!options.parse(arguments))
        return usageExitCode;
    if (!options.positional().isEmpty())
        return usageError(
            QStringLiteral("unexpected argument \"%1\"").arg(options.positional().first()));
    if (!options.isSet(QStringLiteral("room")) || !options.isSet(QStringLiteral("key")))
        return usageError(QStringLiteral("watch stagetimer needs --room and --key"));
    const std::optional<qint64> ticks =
        options.number(QStringLiteral("ticks"), 0, 1, 1'000'000'000);
    if (!ticks)
        return usageExitCode;

    StagetimerModel model(settings);
    model.setRoomID(options.value(QStringLiteral("room")));
    model.setApiKey(options.value(QStringLiteral("key")));
    model.setServer(options.value(QStringLiteral("server")));
    model.connect();

    const auto report = [&model] {
        if (stopSignal() != 0) {
            QCoreApplication::exit(128 + stopSignal());
            return;
        }
        const std::optional<double> remaining = model.remainingMs();
        const TimerDisplay display = stagetimerDisplay(model);
        JsonLine()
            .add(QStringLiteral("status"), model.status())
            .add(QStringLiteral("connected"), model.connected())
            .add(QStringLiteral("connecting"), model.connecting())
            .addNumber(QStringLiteral("remainingMs"), remaining)
            .addDisplay(display)
            .print();
    };
    catchStopSignals();
    TickLimit limit(*ticks, report);
    limit.start();
    const int code = QCoreApplication::exec();
    model.suspend();
    return code;
}
