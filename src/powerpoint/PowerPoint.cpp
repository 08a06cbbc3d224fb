#include "powerpoint/PowerPoint.h"

#include <charconv>
#include <limits>

namespace PowerPoint {

QString scriptSource() {
    return QStringLiteral("with timeout of 2 seconds\n"
                          "    tell application id \"com.microsoft.Powerpoint\"\n"
                          "        if (count of slide show windows) is 0 then return \"-1\"\n"
                          "        return (current show position of slideshow view of slide show "
                          "window 1) as text\n"
                          "    end tell\n"
                          "end timeout");
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
