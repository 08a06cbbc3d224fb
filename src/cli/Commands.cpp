#include "cli/Command.h"

#include "cli/WatchPowerPointCommand.h"
#include "cli/WatchStagetimerCommand.h"

const QList<Command>& commands() {
    static const QList<Command> list{
        {{QStringLiteral("watch"), QStringLiteral("powerpoint")}, QStringLiteral("[--ticks N]"),
         &runWatchPowerPoint},
        {{QStringLiteral("watch"), QStringLiteral("stagetimer")},
         QStringLiteral("--room R --key K [--server S] [--ticks N]"),
         &runWatchStagetimer},
    };
    return list;
}
