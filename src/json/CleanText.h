#pragma once

#include <QString>

// Text a server sent, made fit to show in one line of our own interface: control characters
// (line breaks and NUL among them) become blanks, invisible formatting characters (the
// bidirectional overrides that could turn "1.2.3" into something else on screen, zero-width
// characters) and unpaired surrogates are dropped, blanks at both ends go, and what is
// longer than `maxLength` characters is cut there and ends in "…".
QString cleanText(const QString& text, qsizetype maxLength);

// Lengths that are generous for what people write and still fit a status line or a menu.
inline constexpr qsizetype labelLength = 64;
inline constexpr qsizetype messageLength = 500;

// Text a person typed into a field (a host, a room, a key) without the blanks and tabs (every
// Unicode space separator) at its ends. Line breaks stay: they are no blanks.
QString trimBlanks(const QString& text);
