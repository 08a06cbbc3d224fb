#include "ontime/OntimeFakes.h"
#include "support/ScriptedHttpServer.h"
#include "support/TestMain.h"

#include <QDirIterator>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>

using Response = ScriptedHttpServer::Response;

namespace {

struct Run {
    int exitCode = -1;
    QString out;
    QString err;
};

} // namespace

// Runs the real program against fake servers on loopback. Its settings live in a throwaway
// home, which must stay empty: none of these commands writes the user's settings.
class OntimeCliTest final : public QObject {
    Q_OBJECT

    QTemporaryDir m_home;

    Run run(const QStringList& arguments,
            const QString& interfaces = QStringLiteral("en9=127.0.9.1/32")) {
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("HOME"), m_home.path());
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"),
                           m_home.filePath(QStringLiteral("config")));
        environment.insert(QStringLiteral("KLV_SCAN_INTERFACES"), interfaces);
        environment.insert(QStringLiteral("KLV_STAGETIMER_CLOUD"),
                           QStringLiteral("http://127.0.0.1:9/v1"));
        process.setProcessEnvironment(environment);
        QSignalSpy finished(&process, &QProcess::finished);
        process.start(qEnvironmentVariable("KALVANE_BINARY"), arguments);
        // Our fake servers live in this thread: keep its event loop running meanwhile.
        if (!finished.wait(30000)) {
            process.kill();
            process.waitForFinished();
        }
        return Run{process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
                   QString::fromUtf8(process.readAllStandardOutput()),
                   QString::fromUtf8(process.readAllStandardError())};
    }

private Q_SLOTS:
    void initTestCase() {
        QVERIFY(m_home.isValid());
        QVERIFY(!qEnvironmentVariable("KALVANE_BINARY").isEmpty());
    }

    void cleanup() {
        QDirIterator files(m_home.path(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        QVERIFY2(!files.hasNext(), qPrintable(files.hasNext() ? files.next() : QString()));
    }

    void probe() {
        ScriptedHttpServer server;
        QVERIFY(server.listen());
        server.setResponse(QStringLiteral("api/version"), fakes::version("4.11.0"));
        const QString port = QString::number(server.port());
        const Run found = run(
            {QStringLiteral("probe"), QStringLiteral("127.0.0.1"), QStringLiteral("--port"), port});
        QCOMPARE(found.exitCode, 0);
        QCOMPARE(found.out, QStringLiteral("127.0.0.1:%1 \u2013 Ontime 4.11.0\n").arg(port));
        // Addresses as typed elsewhere in the app: the port in them wins over the default.
        for (const QString& address :
             {QStringLiteral("127.0.0.1:%1"), QStringLiteral("http://127.0.0.1:%1/")})
            QCOMPARE(run({QStringLiteral("probe"), address.arg(port)}).out, found.out);

        const QString closed = QString::number(fakes::closedPort());
        const Run missing =
            run({QStringLiteral("--lang"), QStringLiteral("de"), QStringLiteral("probe"),
                 QStringLiteral("127.0.0.1"), QStringLiteral("--port"), closed});
        QCOMPARE(missing.exitCode, 1);
        QCOMPARE(missing.out, QStringLiteral("Kein Ontime unter 127.0.0.1:%1\n").arg(closed));
        const Run french =
            run({QStringLiteral("--lang"), QStringLiteral("fr"), QStringLiteral("probe"),
                 QStringLiteral("127.0.0.1"), QStringLiteral("--port"), closed});
        QCOMPARE(french.out, QStringLiteral("Aucun Ontime à l’adresse 127.0.0.1:%1\n").arg(closed));

        QCOMPARE(run({QStringLiteral("probe")}).exitCode, 2);
        QCOMPARE(run({QStringLiteral("probe"), QStringLiteral("h"), QStringLiteral("--port"),
                      QStringLiteral("70000")})
                     .exitCode,
                 2);
    }

    void scan() {
        const QStringList hosts{QStringLiteral("127.0.0.1"), QStringLiteral("127.0.9.50"),
                                QStringLiteral("127.0.9.51"), QStringLiteral("127.0.9.52"),
                                QStringLiteral("127.0.9.53")};
        fakes::FakeHosts ontime;
        fakes::FakeHosts stagetimer;
        QVERIFY(ontime.listen(hosts));
        QVERIFY(stagetimer.listen(hosts));
        ontime.at(QStringLiteral("127.0.9.51"))
            .setResponse(QStringLiteral("api/version"), fakes::version("3.16.1"));
        ontime.at(QStringLiteral("127.0.9.50"))
            .setResponse(QStringLiteral("ontime/info"), Response::json(R"({"serverPort":4001})"));
        stagetimer.at(QStringLiteral("127.0.9.53"))
            .setResponse(QStringLiteral("api/v1/"), Response::text("Stagetimer"));
        stagetimer.at(QStringLiteral("127.0.9.52"))
            .setResponse(QStringLiteral("api/v0/"), Response::text("Stagetimer"));
        const QString port = QString::number(ontime.port());
        const QString stagetimerPort = QString::number(stagetimer.port());
        const QStringList arguments{QStringLiteral("--lang"),
                                    QStringLiteral("de"),
                                    QStringLiteral("scan"),
                                    QStringLiteral("--port"),
                                    port,
                                    QStringLiteral("--stagetimer-port"),
                                    stagetimerPort};
        const QString expected =
            QStringLiteral("en9 127.0.9.49: 127.0.9.49 \u2013 127.0.9.54\n"
                           "6 Adressen geprüft, 2 Ontime gefunden, 2 Stagetimer gefunden\n"
                           "127.0.9.50:%1 \u2013 Ontime 1.x\n"
                           "127.0.9.51:%1 \u2013 Ontime 3.16.1\n"
                           "127.0.9.52:%2 \u2013 Stagetimer (alt)\n"
                           "127.0.9.53:%2 \u2013 Stagetimer\n")
                .arg(port, stagetimerPort);

        // The networks come from the command line …
        const Run fromOptions = run(arguments + QStringList{QStringLiteral("--interface"),
                                                            QStringLiteral("en9=127.0.9.49/29")});
        QCOMPARE(fromOptions.exitCode, 0);
        QCOMPARE(fromOptions.out, expected);
        QCOMPARE(fromOptions.err, QStringLiteral("0/6 (0 Ontime)\n"));

        // … or from the environment, and the selection rules apply to them all the same.
        const Run fromEnvironment = run(
            arguments, QStringLiteral("en9=127.0.9.49/29,lo=127.0.9.60/29,utun0=127.0.9.70/29"));
        QCOMPARE(fromEnvironment.exitCode, 0);
        QCOMPARE(fromEnvironment.out, expected);

        QCOMPARE(run({QStringLiteral("scan"), QStringLiteral("--interface"), QStringLiteral("en9")})
                     .exitCode,
                 2);
    }

    void watch() {
        ScriptedHttpServer server;
        QVERIFY(server.listen());
        server.setResponse(QStringLiteral("api/version"), fakes::version("3.16.1"));
        server.setResponse(
            QStringLiteral("api/poll"),
            Response::json(fakes::sample(QStringLiteral("v3.16.1_api_poll_paused_overtime.json"))));
        const QString port = QString::number(server.port());
        const Run watched =
            run({QStringLiteral("--lang"), QStringLiteral("de"), QStringLiteral("watch"),
                 QStringLiteral("ontime"), QStringLiteral(" 127.0.0.1 "), QStringLiteral("--port"),
                 port, QStringLiteral("--ticks"), QStringLiteral("6")});
        QCOMPARE(watched.exitCode, 0);
        const QStringList lines = watched.out.split(u'\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 6);
        const QStringList keys{
            QStringLiteral("status"),      QStringLiteral("connected"), QStringLiteral("link"),
            QStringLiteral("remainingMs"), QStringLiteral("caption"),   QStringLiteral("time"),
            QStringLiteral("tone"),        QStringLiteral("message"),   QStringLiteral("blink"),
            QStringLiteral("secondary"),   QStringLiteral("progress"),  QStringLiteral("barTone"),
            QStringLiteral("blackout")};
        for (const QString& line : lines) {
            const QJsonObject object = QJsonDocument::fromJson(line.toUtf8()).object();
            QCOMPARE(object.keys().size(), keys.size());
            // Members in the documented order.
            qsizetype at = 0;
            for (const QString& key : keys) {
                const qsizetype next = line.indexOf(u'"' + key + u'"');
                QVERIFY2(next >= at, qPrintable(key));
                at = next;
            }
        }
        const QJsonObject last = QJsonDocument::fromJson(lines.last().toUtf8()).object();
        QCOMPARE(last.value(u"status").toString(),
                 QStringLiteral("Verbunden mit 127.0.0.1:%1 \u2013 Ontime 3.16.1").arg(port));
        QCOMPARE(last.value(u"connected").toBool(), true);
        // This server answers no upgrade.
        QCOMPARE(last.value(u"link").toString(), QStringLiteral("poll"));
        QCOMPARE(last.value(u"remainingMs").toDouble(), -6044.0);
        QCOMPARE(last.value(u"caption").toString(), QStringLiteral("Albania"));
        // Rounded down like the timer view of generation 3.
        QCOMPARE(last.value(u"time").toString(), QStringLiteral("-00:07"));
        QCOMPARE(last.value(u"tone").toString(), QStringLiteral("overtime"));
        QCOMPARE(last.value(u"message").toString(), QStringLiteral("Wrap up, please"));
        QCOMPARE(last.value(u"blink").toBool(), true);
        QCOMPARE(last.value(u"secondary").toString(), QStringLiteral("Questions next"));
        QCOMPARE(last.value(u"progress").toDouble(), 1.0);
        QCOMPARE(last.value(u"barTone").toString(), QStringLiteral("danger"));

        const QString closed = QString::number(fakes::closedPort());
        const Run nobody =
            run({QStringLiteral("--lang"), QStringLiteral("de"), QStringLiteral("watch"),
                 QStringLiteral("ontime"), QStringLiteral("127.0.0.1"), QStringLiteral("--port"),
                 closed, QStringLiteral("--ticks"), QStringLiteral("2")});
        QCOMPARE(nobody.exitCode, 0);
        const QJsonObject none =
            QJsonDocument::fromJson(nobody.out.split(u'\n', Qt::SkipEmptyParts).last().toUtf8())
                .object();
        QCOMPARE(none.value(u"status").toString(),
                 QStringLiteral("Kein Ontime unter 127.0.0.1:%1").arg(closed));
        QCOMPARE(none.value(u"caption").toString(), none.value(u"status").toString());
        QCOMPARE(none.value(u"connected").toBool(), false);
        QVERIFY(none.value(u"remainingMs").isNull());
        QVERIFY(none.value(u"progress").isNull());
        QCOMPARE(none.value(u"time").toString(), QStringLiteral("--:--"));
    }
};

KALVANE_TEST_MAIN_CORE(OntimeCliTest)
#include "OntimeCliTest.moc"
