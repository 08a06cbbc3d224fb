#include "support/TestMain.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

namespace {

struct Run {
    int exitCode = -1;
    QString out;
    QString err;
};

Run runKalvane(const QStringList& arguments,
               const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment()) {
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(qEnvironmentVariable("KALVANE_BINARY"), arguments);
    process.waitForFinished(30000);
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

} // namespace

class CommandLineTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void versionNamesTheProgram() {
        const Run run = runKalvane({QStringLiteral("--version")});
        QCOMPARE(run.exitCode, 0);
        QVERIFY(run.out.startsWith(QStringLiteral("Tessaly Kalvane ")));
        QVERIFY(run.out.trimmed().size() > QStringLiteral("Tessaly Kalvane ").size());
    }

    void misuseIsAUsageErrorWithExitCode2_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("problem");
        QTest::newRow("unknown option")
            << QStringList{QStringLiteral("--frobnicate")} << QStringLiteral("frobnicate");
        QTest::newRow("unknown command")
            << QStringList{QStringLiteral("dance")} << QStringLiteral("dance");
        QTest::newRow("unknown language")
            << QStringList{QStringLiteral("--lang"), QStringLiteral("it")} << QStringLiteral("it");
        QTest::newRow("language missing")
            << QStringList{QStringLiteral("--lang")} << QStringLiteral("--lang");
        QTest::newRow("subcommand option")
            << QStringList{QStringLiteral("watch"), QStringLiteral("powerpoint"),
                           QStringLiteral("--nope")}
            << QStringLiteral("nope");
        QTest::newRow("bad tick count")
            << QStringList{QStringLiteral("watch"), QStringLiteral("powerpoint"),
                           QStringLiteral("--ticks"), QStringLiteral("soon")}
            << QStringLiteral("--ticks");
        QTest::newRow("talk length in parts of a minute")
            << QStringList{QStringLiteral("--talk-length"), QStringLiteral("2.5")}
            << QStringLiteral("--talk-length needs a whole number from 0 to 600");
        for (const char* seconds : {"nan", "inf", "-1"})
            QTest::addRow("quit after %s", seconds)
                << QStringList{QStringLiteral("--quit-after"), QString::fromLatin1(seconds)}
                << QStringLiteral("--quit-after");
    }

    void misuseIsAUsageErrorWithExitCode2() {
        QFETCH(QStringList, arguments);
        QFETCH(QString, problem);
        const Run run = runKalvane(arguments);
        QCOMPARE(run.exitCode, 2);
        QVERIFY(run.out.isEmpty());
        QVERIFY2(run.err.contains(problem), qPrintable(run.err));
        QVERIFY(run.err.contains(QStringLiteral("Usage: kalvane")));
    }

    void watchPowerPointReportsEveryEvent() {
        // A stand-in for PowerPoint that walks through: no show, slide 5, slide 3, permission
        // refused, slide 2, then PowerPoint quits (the command disappears).
        QTemporaryDir dir;
        const QString script = dir.filePath(QStringLiteral("powerpoint.sh"));
        QFile file(script);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("#!/bin/sh\n"
                   "step_file=\"$(dirname \"$0\")/step\"\n"
                   "n=$(cat \"$step_file\" 2>/dev/null || echo 0)\n"
                   "echo $((n + 1)) > \"$step_file\"\n"
                   "case $n in\n"
                   "  0) echo -1 ;;\n"
                   "  1) echo 5 ;;\n"
                   "  2) echo 3 ;;\n"
                   "  3) echo 'execution error: Not authorised to send Apple events to "
                   "Microsoft PowerPoint. (-1743)' >&2; exit 1 ;;\n"
                   "  4) echo 2 ;;\n"
                   "  *) rm -f \"$0\"; echo 2 ;;\n"
                   "esac\n");
        file.close();
        file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                            QFileDevice::ExeOwner);

        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("KLV_POWERPOINT_SCRIPT"), script);
        const Run run = runKalvane({QStringLiteral("watch"), QStringLiteral("powerpoint"),
                                    QStringLiteral("--ticks"), QStringLiteral("24")},
                                   environment);
        QCOMPARE(run.exitCode, 0);

        QStringList events;
        for (const QString& line : run.out.split(u'\n', Qt::SkipEmptyParts)) {
            const QJsonObject event = QJsonDocument::fromJson(line.toUtf8()).object();
            events << QStringLiteral("%1 %2 %3 %4")
                          .arg(event.value(QStringLiteral("event")).toString())
                          .arg(event.value(QStringLiteral("slideShowRunning")).toBool())
                          .arg(event.value(QStringLiteral("position")).toInt())
                          .arg(event.value(QStringLiteral("permissionDenied")).toBool());
        }
        QCOMPARE(events, (QStringList{
                             QStringLiteral("start 1 5 0"),
                             QStringLiteral("change 1 3 0"),
                             QStringLiteral("permission 1 3 1"),
                             QStringLiteral("end 0 0 1"),
                             QStringLiteral("permission 0 0 0"),
                             QStringLiteral("start 1 2 0"),
                             QStringLiteral("end 0 0 0"),
                         }));
        QVERIFY(run.out.startsWith(QStringLiteral(
            R"({"event":"start","program":"PowerPoint","slideShowRunning":true,"position":5,)"
            R"("permissionDenied":false})")));
    }
};

KALVANE_TEST_MAIN_CORE(CommandLineTest)
#include "CommandLineTest.moc"
