#pragma once

#include <QString>

// The product's name as every window title, menu row and message shows it: a name, not a
// text to translate.
inline QString productName() {
    return QStringLiteral("Tessaly Kalvane");
}
