#include "l10n/L10n.h"
#include "l10n/Format.h"
#include "settings/SettingsStore.h"
#include "support/TestMain.h"

#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <sys/stat.h>

namespace {

const QString sourceDir = QStringLiteral(KALVANE_SOURCE_DIR);

QString writeFile(const QTemporaryDir& dir, const QString& name, const QByteArray& content) {
    const QString path = dir.filePath(name);
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(content);
    return path;
}

QStringList placeholders(const QString& text) {
    static const QRegularExpression pattern(QStringLiteral("%[@d]"));
    QStringList found;
    for (const QRegularExpressionMatch& match : pattern.globalMatch(text))
        found << match.captured();
    return found;
}

struct LookupCall {
    QString text;
    QString where;
};

// Every call of the lookup in the program's sources. Calls must name their German text as a
// literal (adjacent literals, as line breaking leaves them, count as one), so that this test
// can check each one against the table.
QList<LookupCall> lookupCalls(QStringList& nonLiteral) {
    static const QString literal = QStringLiteral("u\"(?:[^\"\\\\]|\\\\.)*\"");
    static const QRegularExpression call(
        QStringLiteral("L10n::lookup\\(\\s*((?:%1\\s*)+)\\)").arg(literal));
    static const QRegularExpression piece(QStringLiteral("u\"((?:[^\"\\\\]|\\\\.)*)\""));
    QList<LookupCall> calls;
    QDirIterator files(sourceDir + QStringLiteral("/src"),
                       {QStringLiteral("*.cpp"), QStringLiteral("*.h"), QStringLiteral("*.mm")},
                       QDir::Files, QDirIterator::Subdirectories);
    while (files.hasNext()) {
        const QString path = files.next();
        if (path.endsWith(u"/l10n/L10n.h") || path.endsWith(u"/l10n/L10n.cpp"))
            continue;
        QFile file(path);
        file.open(QIODevice::ReadOnly);
        const QString content = QString::fromUtf8(file.readAll());
        const QString where = path.mid(sourceDir.size() + 1);
        qsizetype found = 0;
        for (const QRegularExpressionMatch& match : call.globalMatch(content)) {
            QString text;
            for (const QRegularExpressionMatch& part : piece.globalMatch(match.captured(1)))
                text += part.captured(1);
            calls.append({text, where});
            ++found;
        }
        if (content.count(QStringLiteral("L10n::lookup(")) != found)
            nonLiteral << where;
    }
    return calls;
}

} // namespace

class L10nTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void languagesAndNames() {
        QCOMPARE(L10n::languages(),
                 (QStringList{QStringLiteral("de"), QStringLiteral("en"), QStringLiteral("fr")}));
        QCOMPARE(L10n::names().value(QStringLiteral("fr")), QStringLiteral("Français"));
        QCOMPARE(L10n::names().value(QStringLiteral("de")), QStringLiteral("Deutsch"));
        QCOMPARE(L10n::names().value(QStringLiteral("en")), QStringLiteral("English"));
    }

    void languageDecision_data() {
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<QStringList>("preferred");
        QTest::addColumn<QString>("expected");
        const QStringList none;
        QTest::newRow("stored choice wins")
            << QVariant(QStringLiteral("fr")) << QStringList{QStringLiteral("de-DE")}
            << QStringLiteral("fr");
        QTest::newRow("unsupported choice falls through")
            << QVariant(QStringLiteral("it"))
            << QStringList{QStringLiteral("it-IT"), QStringLiteral("fr-FR")}
            << QStringLiteral("fr");
        QTest::newRow("automatic follows the system")
            << QVariant(QString()) << QStringList{QStringLiteral("de-AT")} << QStringLiteral("de");
        QTest::newRow("regional variant by prefix")
            << QVariant() << QStringList{QStringLiteral("fr-CH")} << QStringLiteral("fr");
        QTest::newRow("no supported preference")
            << QVariant() << QStringList{QStringLiteral("ja-JP"), QStringLiteral("es")}
            << QStringLiteral("en");
        QTest::newRow("nothing at all") << QVariant() << none << QStringLiteral("en");
    }

    void languageDecision() {
        QFETCH(QVariant, stored);
        QFETCH(QStringList, preferred);
        QFETCH(QString, expected);
        const std::optional<QString> choice =
            stored.isValid() ? std::optional<QString>(stored.toString()) : std::nullopt;
        QCOMPARE(L10n::decideLanguage(choice, preferred), expected);
    }

    void tableLoadingFailuresLeaveItEmpty() {
        QTemporaryDir dir;
        QVERIFY(L10n::loadTable(dir.filePath(QStringLiteral("missing.json"))).isEmpty());
        QVERIFY(L10n::loadTable(QString()).isEmpty());
        QVERIFY(L10n::loadTable(writeFile(dir, QStringLiteral("array.json"), "[1,2]")).isEmpty());
        QVERIFY(
            L10n::loadTable(writeFile(dir, QStringLiteral("broken.json"), "{\"a\": {")).isEmpty());
        QVERIFY(L10n::loadTable(writeFile(dir, QStringLiteral("shape.json"),
                                          R"({"Abbrechen": {"en": "Cancel"}, "x": "y"})"))
                    .isEmpty());
        QVERIFY(L10n::loadTable(
                    writeFile(dir, QStringLiteral("value.json"), R"({"Abbrechen": {"en": 5}})"))
                    .isEmpty());
        const QString unreadable =
            writeFile(dir, QStringLiteral("unreadable.json"), R"({"Abbrechen": {"en": "Cancel"}})");
        QFile::setPermissions(unreadable, QFileDevice::Permissions());
        if (!QFile(unreadable).open(QIODevice::ReadOnly))
            QVERIFY(L10n::loadTable(unreadable).isEmpty());

        // Files that are no table at all are refused before a byte is read, with a reason: a
        // device that never ends, a pipe nobody writes to (reading it would block for ever), a
        // file far larger than any table of ours.
        const QString fifo = dir.filePath(QStringLiteral("fifo.json"));
        QVERIFY(::mkfifo(QFile::encodeName(fifo).constData(), 0600) == 0);
        QFile huge(dir.filePath(QStringLiteral("huge.json")));
        QVERIFY(huge.open(QIODevice::WriteOnly) && huge.resize(L10n::maxTableBytes + 1));
        huge.close();
        for (const QString& path : {QStringLiteral("/dev/zero"), fifo, huge.fileName()}) {
            QString problem;
            QVERIFY(L10n::loadTable(path, &problem).isEmpty());
            QVERIFY2(!problem.isEmpty(), qPrintable(path));
        }

        const L10n::Table good =
            L10n::loadTable(writeFile(dir, QStringLiteral("good.json"),
                                      R"({"Abbrechen": {"en": "Cancel", "fr": "Annuler"}})"));
        QCOMPARE(good.value(QStringLiteral("Abbrechen")).value(QStringLiteral("fr")),
                 QStringLiteral("Annuler"));
    }

    void lookupUsesTheLanguageOfThisRunAndFallsBackToGerman() {
        // This process runs in French (see main below), decided once for its whole life.
        QCOMPARE(L10n::current(), QStringLiteral("fr"));
        SettingsStore().setString(SettingsKey::appLanguage, QStringLiteral("en"));
        QCOMPARE(L10n::current(), QStringLiteral("fr"));
        QCOMPARE(L10n::lookup(u"Einstellungen …"), QStringLiteral("Réglages…"));
        QCOMPARE(L10n::lookup(u"Kein deutscher Schlüssel im Buch"),
                 QStringLiteral("Kein deutscher Schlüssel im Buch"));
    }

    void fillingFormatTexts() {
        QCOMPARE(L10n::fill(u"Kein Ontime unter %@:%d", {QStringLiteral("10.0.0.1"), 4001}),
                 QStringLiteral("Kein Ontime unter 10.0.0.1:4001"));
        QCOMPARE(L10n::fill(u"%d Adressen geprüft, %d Ontime gefunden", {254, 0}),
                 QStringLiteral("254 Adressen geprüft, 0 Ontime gefunden"));
        QCOMPARE(L10n::fill(u"100%% und %@", {QStringLiteral("x")}), QStringLiteral("100% und x"));
        QCOMPARE(L10n::fill(u"%@ und %@", {QStringLiteral("x")}), QStringLiteral("x und %@"));
    }

    void everyLookedUpTextIsTranslatedWithItsPlaceholders() {
        const L10n::Table table =
            L10n::loadTable(sourceDir + QStringLiteral("/resources/strings.json"));
        QVERIFY2(!table.isEmpty(), "resources/strings.json must load");

        QStringList nonLiteral;
        const QList<LookupCall> calls = lookupCalls(nonLiteral);
        // The program looks up dozens of texts; finding none means the scan itself broke.
        QVERIFY(calls.size() > 30);
        QVERIFY2(nonLiteral.isEmpty(),
                 qPrintable(QStringLiteral("lookup without a literal text in: ") +
                            nonLiteral.join(u", ")));
        QStringList problems;
        for (const LookupCall& call : calls) {
            const auto entry = table.constFind(call.text);
            if (entry == table.constEnd()) {
                problems << QStringLiteral("%1: \"%2\" has no entry").arg(call.where, call.text);
                continue;
            }
            for (const QLatin1String language : {QLatin1String("en"), QLatin1String("fr")}) {
                if (!entry->contains(language))
                    problems << QStringLiteral("%1: \"%2\" has no \"%3\"")
                                    .arg(call.where, call.text, language);
            }
        }
        // And the table itself: every translation keeps the German placeholders in order.
        for (auto entry = table.constBegin(); entry != table.constEnd(); ++entry) {
            for (auto translation = entry->constBegin(); translation != entry->constEnd();
                 ++translation) {
                if (placeholders(translation.value()) != placeholders(entry.key()))
                    problems << QStringLiteral("\"%1\" [%2]: placeholders differ")
                                    .arg(entry.key(), translation.key());
            }
        }
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join(u'\n')));
    }
};

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    TestSettings::installThrowawayStore();
    qputenv("KLV_STRINGS", QByteArray(KALVANE_SOURCE_DIR "/resources/strings.json"));
    L10n::overrideLanguage(QStringLiteral("fr"));
    L10nTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "L10nTest.moc"
