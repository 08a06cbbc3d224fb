#include "l10n/L10n.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>
#include <QLoggingCategory>
#include <QMutex>

#include <mutex>

Q_LOGGING_CATEGORY(lcL10n, "kalvane.l10n", QtWarningMsg)

namespace L10n {
namespace {

QMutex overrideMutex;
std::optional<QString> overridden;
// The appLanguage setting, handed over by the program at start.
std::optional<QString> storedChoice;

QStringList candidateLocations() {
    QStringList locations;
    if (QCoreApplication::instance()) {
        const QDir programDir(QCoreApplication::applicationDirPath());
        locations << programDir.filePath(QStringLiteral("strings.json"))
                  << programDir.filePath(QStringLiteral("../share/kalvane/strings.json"))
                  << programDir.filePath(QStringLiteral("../Resources/strings.json"));
    }
    return locations;
}

} // namespace

const QStringList& languages() {
    static const QStringList codes{QStringLiteral("de"), QStringLiteral("en"),
                                   QStringLiteral("fr")};
    return codes;
}

const QMap<QString, QString>& names() {
    static const QMap<QString, QString> map{{QStringLiteral("de"), QStringLiteral("Deutsch")},
                                            {QStringLiteral("en"), QStringLiteral("English")},
                                            {QStringLiteral("fr"), QStringLiteral("Français")}};
    return map;
}

QString decideLanguage(const std::optional<QString>& stored, const QStringList& preferred) {
    if (stored && languages().contains(*stored))
        return *stored;
    for (const QString& language : preferred) {
        const QString prefix = language.left(2);
        if (languages().contains(prefix))
            return prefix;
    }
    return QStringLiteral("en");
}

bool overrideLanguage(const QString& code) {
    if (!languages().contains(code))
        return false;
    QMutexLocker lock(&overrideMutex);
    overridden = code;
    return true;
}

void useStoredChoice(const std::optional<QString>& code) {
    QMutexLocker lock(&overrideMutex);
    storedChoice = code;
}

QString current() {
    static const QString language = [] {
        QMutexLocker lock(&overrideMutex);
        if (overridden)
            return *overridden;
        return decideLanguage(storedChoice, QLocale::system().uiLanguages());
    }();
    return language;
}

Table loadTable(const QString& path, QString* problem) {
    const auto fail = [problem](const char* why) {
        if (problem)
            *problem = QString::fromLatin1(why);
        return Table();
    };
    if (path.isEmpty())
        return fail("no translation table found");
    // Only a regular file: a device never ends, and a pipe nobody writes to never answers.
    const QFileInfo info(path);
    if (!info.exists())
        return fail("file not found");
    if (!info.isFile())
        return fail("not a regular file");
    if (info.size() > maxTableBytes)
        return fail("file too large");
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return fail("file not readable");
    // Bounded again while reading: the file may grow after the size was checked.
    const QByteArray bytes = file.read(maxTableBytes + 1);
    if (bytes.size() > maxTableBytes)
        return fail("file too large");
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return fail("not a JSON object");

    Table result;
    const QJsonObject root = document.object();
    for (auto entry = root.begin(); entry != root.end(); ++entry) {
        if (!entry->isObject())
            return fail("an entry is not an object of texts");
        QHash<QString, QString> translations;
        const QJsonObject byLanguage = entry->toObject();
        for (auto translation = byLanguage.begin(); translation != byLanguage.end();
             ++translation) {
            if (!translation->isString())
                return fail("a translation is not a text");
            translations.insert(translation.key(), translation->toString());
        }
        result.insert(entry.key(), translations);
    }
    if (result.isEmpty())
        return fail("the table is empty");
    return result;
}

QString tableLocation() {
    for (const QString& location : candidateLocations()) {
        if (QFileInfo(location).isFile())
            return location;
    }
    const QString fromEnvironment = qEnvironmentVariable("KLV_STRINGS");
    return fromEnvironment;
}

const Table& table() {
    static const Table loaded = [] {
        const QString location = tableLocation();
        QString problem;
        Table table = loadTable(location, &problem);
        // Said once, and only when a language other than the source needs the table: a user who
        // chose English and sees German deserves to know why.
        if (table.isEmpty() && current() != u"de")
            qCWarning(lcL10n).noquote()
                << QStringLiteral("Translation table %1 not used (%2); the texts stay German.")
                       .arg(location.isEmpty() ? QStringLiteral("strings.json") : location,
                            problem);
        return table;
    }();
    return loaded;
}

QString lookup(QStringView german) {
    const QString text = german.toString();
    const QString language = current();
    if (language == u"de")
        return text;
    const auto entry = table().constFind(text);
    if (entry == table().constEnd())
        return text;
    return entry->value(language, text);
}

} // namespace L10n
