#pragma once

#include <QHash>
#include <QMap>
#include <QString>
#include <QStringList>

#include <optional>

// Translates the program's German texts, which double as translation keys, into the
// language of this run. The language is decided once per process and the table is read once
// from the translation file; a text without a translation stays German.
namespace L10n {

using Table = QHash<QString, QHash<QString, QString>>;

// Language codes in the order the language picker offers them; German is the source.
const QStringList& languages();
// Display names of the language codes.
const QMap<QString, QString>& names();

// The language of this run, decided on first use.
QString current();

// The text to show for a German source text. Format texts are looked up first and filled
// afterwards, so their placeholders must survive translation unchanged.
// Call it with the literal German text (L10n::lookup(u"…")): a test checks every such call
// against the translation table.
QString lookup(QStringView german);

// Fixes the language of this run before anything was looked up (the --lang option). Returns
// false for a code that is not one of languages().
bool overrideLanguage(const QString& code);
// Hands over the language the user chose in the settings, before anything was looked up.
// Without it (and without an override) the system's languages decide.
void useStoredChoice(const std::optional<QString>& code);

// The decision itself: a supported stored choice wins, then the first preferred system
// language whose first two letters are supported, then English.
QString decideLanguage(const std::optional<QString>& stored, const QStringList& preferred);

// The largest translation file read: ours is a few dozen kilobytes, and anything far beyond
// that is not a table of this program's texts.
inline constexpr qint64 maxTableBytes = 4 * 1024 * 1024;

// Reads a translation file; any failure (missing, not a regular file, larger than
// maxTableBytes, unreadable, malformed, wrong shape) yields an empty table, and `problem`, when
// given, says why in a few words.
Table loadTable(const QString& path, QString* problem = nullptr);

// Where the translation file is looked for: beside the program (or in its installed data
// folder), else the file named by KLV_STRINGS; empty when neither exists.
QString tableLocation();

// The table of this run, loaded on first use. When the language of this run needs it and it
// cannot be used, one warning says which file and why; the texts then stay German.
const Table& table();

} // namespace L10n
