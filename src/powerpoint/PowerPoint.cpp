#include "powerpoint/PowerPoint.h"

#include <charconv>
#include <limits>

namespace PowerPoint {

QString scriptSource() {
    // Whether an application runs is answered without sending it anything, so the guard
    // never launches PowerPoint; a tell block alone would launch one that quit after the
    // watcher last looked. Without it the query fails like an Apple event to a program that
    // is not running.
    return QStringLiteral("if application id \"%1\" is running then\n"
                          "    with timeout of %2 seconds\n"
                          "        tell application id \"%1\"\n"
                          "            if (count of slide show windows) is 0 then return \"-1\"\n"
                          "            return (current show position of slideshow view of slide "
                          "show window 1) as text\n"
                          "        end tell\n"
                          "    end timeout\n"
                          "end if\n"
                          "error number %3")
        .arg(bundleIdentifier, QString::number(queryTimeoutSeconds),
             QString::number(errorNotRunning));
}

int parsePosition(QStringView answer) {
    if (answer.isEmpty())
        return -1;
    qsizetype start = 0;
    bool negative = false;
    if (answer[0] == u'+' || answer[0] == u'-') {
        negative = answer[0] == u'-';
        start = 1;
    }
    if (start == answer.size())
        return -1;
    long long value = 0;
    for (qsizetype i = start; i < answer.size(); ++i) {
        const QChar c = answer[i];
        if (c < u'0' || c > u'9')
            return -1;
        value = value * 10 + (c.unicode() - u'0');
        if (value > static_cast<long long>(std::numeric_limits<int>::max()) + 1)
            return -1;
    }
    if (negative)
        value = -value;
    if (value < std::numeric_limits<int>::min() || value > std::numeric_limits<int>::max())
        return -1;
    return static_cast<int>(value);
}

} // namespace PowerPoint
