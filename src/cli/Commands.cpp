#include "cli/Command.h"

#include "cli/OntimeCommands.h"
#include "cli/WatchPowerPointCommand.h"
#include "cli/WatchStagetimerCommand.h"

const QList<Command>& commands() {
    static const QList<Command> list{
        {{QStringLiteral("probe")}, QStringLiteral("HOST [--port N]"), &runProbe},
        {{QStringLiteral("scan")},
         QStringLiteral("[--port N] [--stagetimer-port N] [--interface NAME=ADDR/BITS]..."),
         &runScan},
        {{QStringLiteral("watch"), QStringLiteral("powerpoint")},
         QStringLiteral("[--ticks N]"),
         &runWatchPowerPoint},
        {{QStringLiteral("watch"), QStringLiteral("presentation")},
         QStringLiteral("[--ticks N]"),
         &runWatchPresentation},
        {{QStringLiteral("watch"), QStringLiteral("ontime")},
         QStringLiteral("HOST [--port N] [--ticks N] [--events] [--poll]"),
         &runWatchOntime},
        {{QStringLiteral("watch"), QStringLiteral("stagetimer")},
         QStringLiteral("--room R --key K [--server S] [--ticks N]"),
         &runWatchStagetimer},
    };
    return list;
}
