#pragma once

#include <QFont>
#include <QString>

// The faces of the card's texts, unhinted and antialiased so that they scale smoothly with the
// window.
namespace CardFonts {

// The face of the time text: the first installed of the calm, crisp faces we ship with, else
// the system's sans.
QString timeFamily();
// The time in bold.
const QFont& time();
// The system's face at `weight`, for the caption, the message and the second line.
QFont ui(QFont::Weight weight);

} // namespace CardFonts
