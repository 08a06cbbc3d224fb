#include "cli/Usage.h"

#include "cli/PrintLine.h"

namespace {

QString& usageText() {
    static QString text;
    return text;
}

} // namespace

void setUsageText(const QString& text) {
    usageText() = text;
}

int usageError(const QString& problem) {
    printLine(stderr, QStringLiteral("kalvane: ") + problem);
    printLine(stderr, usageText());
    return usageExitCode;
}
