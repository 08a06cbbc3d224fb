#pragma once

#include <QString>
#include <QVariantList>

namespace L10n {

// Fills a printf-style format text after its lookup: each "%@" takes the next value as text,
// each "%d" the next value as a whole number, "%%" is a percent sign. Placeholders without a
// value are left as they stand.
QString fill(QStringView format, const QVariantList& values);

} // namespace L10n
