#include "ontime/OntimeGeneration.h"

#include <QRegularExpression>

OntimeGeneration OntimeGeneration::of(QStringView version) {
    static const QRegularExpression pattern(QStringLiteral("^[vV]?(\\d{1,4})(?:\\.(\\d{1,4}))?"));
    const QRegularExpressionMatch match = pattern.match(version.trimmed().toString());
    OntimeGeneration generation;
    if (!match.hasMatch())
        return generation;
    const int major = match.capturedView(1).toInt();
    const int minor = match.capturedView(2).toInt();
    // Older servers are read by polling only.
    generation.socket = major >= 3;
    if (major == 3) {
        generation.batches = minor >= 11;
        generation.seconds = SecondsRule::down;
    }
    return generation;
}
