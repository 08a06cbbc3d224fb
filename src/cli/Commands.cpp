#include "cli/Command.h"

#include "cli/WatchPowerPointCommand.h"

const QList<Command>& commands() {
    static const QList<Command> list{
        {{QStringLiteral("watch"), QStringLiteral("powerpoint")}, QStringLiteral("[--ticks N]"),
         &runWatchPowerPoint},
    };
    return list;
}
