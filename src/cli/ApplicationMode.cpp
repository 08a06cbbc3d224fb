#include "cli/ApplicationMode.h"

#include "cli/Command.h"

#include <cstdio>

int runApplication(int&, char**, const QStringList& arguments) {
    if (!arguments.isEmpty())
        return usageError(QStringLiteral("unknown option \"%1\"").arg(arguments.first()));
    std::fputs("kalvane: the tray application is not available in this build yet\n", stderr);
    return 1;
}
