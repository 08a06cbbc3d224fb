#pragma once

#include <QString>

// The names of the presentation programs the watcher can observe, as shown to the user and
// printed by the diagnostics. They are product names and are never translated.
namespace PresentationProgram {

inline const QString powerPoint = QStringLiteral("PowerPoint");
inline const QString impress = QStringLiteral("LibreOffice Impress");
inline const QString okular = QStringLiteral("Okular");
inline const QString pdfpc = QStringLiteral("pdfpc");

} // namespace PresentationProgram
