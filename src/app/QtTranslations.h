#pragma once

#include <QString>

class QCoreApplication;

// Qt's own texts in the interface language: the key names in menu shortcuts ("Strg+Q" in
// German) and the standard buttons.
namespace QtTranslations {

// Loads and installs Qt's translations for `language` from Qt's translation folder. False when
// none are installed for it; Qt then keeps its English texts.
bool install(QCoreApplication& application, const QString& language);

} // namespace QtTranslations
