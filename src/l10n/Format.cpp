#include "l10n/Format.h"

namespace L10n {

QString fill(QStringView format, const QVariantList& values) {
    QString result;
    result.reserve(format.size() + 16);
    qsizetype next = 0;
    for (qsizetype i = 0; i < format.size(); ++i) {
        const QChar c = format[i];
        if (c != u'%' || i + 1 >= format.size()) {
            result += c;
            continue;
        }
        const QChar kind = format[i + 1];
        if (kind == u'%') {
            result += u'%';
            ++i;
        } else if ((kind == u'@' || kind == u'd') && next < values.size()) {
            const QVariant& value = values[next++];
            result += kind == u'd' ? QString::number(value.toLongLong()) : value.toString();
            ++i;
        } else {
            result += c;
        }
    }
    return result;
}

} // namespace L10n
