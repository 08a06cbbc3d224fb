#include "ontime/TimeFormat.h"
#include "support/ScriptedHttpServer.h"
#include "support/TestMain.h"

#include <QDateTime>
#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

using Response = ScriptedHttpServer::Response;

namespace {

const QByteArray secretKey = "sk-9f3c-SECRET-7d21";

// The real program, run on loopback only, with its own empty home so that a write to the
// user's settings would show.
struct Run {
    QTemporaryDir home;
    QProcess process;
    QByteArray out;
    QByteArray err;

    bool start(const QStringList& arguments, const QString& cloud) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("KLV_SCAN_INTERFACES"),
                           QStringLiteral("en9=127.0.1.20/24"));
        environment.insert(QStringLiteral("KLV_STAGETIMER_CLOUD"), cloud);
        environment.insert(QStringLiteral("HOME"), home.path());
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"),
                           home.filePath(QStringLiteral("config")));
        process.setProcessEnvironment(environment);
        process.start(qEnvironmentVariable("KALVANE_BINARY"), arguments);
        return process.waitForStarted(5000);
    }

    // Waits while the event loop runs, so that the in-process server can answer.
    bool finish() {
        const bool ended =
            QTest::qWaitFor([this] { return process.state() == QProcess::NotRunning; }, 20000);
        out = process.readAllStandardOutput();
        err = process.readAllStandardError();
        return ended;
    }

    QList<QJsonObject> lines() const {
        QList<QJsonObject> objects;
        for (const QByteArray& line : out.split('\n')) {
            if (!line.isEmpty())
                objects << QJsonDocument::fromJson(line).object();
        }
        return objects;
    }

    bool homeIsEmpty() const {
        return QDir(home.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).isEmpty();
    }
};

Response envelope(const QJsonValue& data) {
    return Response::json(
        QJsonDocument(QJsonObject{{QStringLiteral("ok"), true}, {QStringLiteral("data"), data}})
            .toJson());
}

} // namespace

class WatchStagetimerTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() {
        QVERIFY(QFileInfo(qEnvironmentVariable("KALVANE_BINARY")).isExecutable());
    }

    void watchesARoomOnTheDesktopApp() {
        ScriptedHttpServer server;
        QVERIFY(server.listen());
        server.setHandler([&](const ScriptedHttpServer::Request& request) {
            if (request.path == u"v1/get_status") {
                const double now = static_cast<double>(QDateTime::currentMSecsSinceEpoch());
                return envelope(QJsonObject{{QStringLiteral("timer_id"), QStringLiteral("t9")},
                                            {QStringLiteral("running"), true},
                                            {QStringLiteral("start"), now - 240000},
                                            {QStringLiteral("finish"), now + 60000},
                                            {QStringLiteral("server_time"), now}});
            }
            if (request.path == u"v1/get_all_messages")
                return envelope(QJsonArray{
                    QJsonObject{{QStringLiteral("_id"), QStringLiteral("m")},
                                {QStringLiteral("showing"), true},
                                {QStringLiteral("text"), QStringLiteral("Noch fünf Minuten")},
                                {QStringLiteral("bold"), true}}});
            if (request.path == u"v1/get_timer")
                return envelope(QJsonObject{{QStringLiteral("name"), QStringLiteral("Keynote")}});
            return Response::text("", 404);
        });

        Run run;
        QVERIFY(run.start({QStringLiteral("--lang"), QStringLiteral("de"), QStringLiteral("watch"),
                           QStringLiteral("stagetimer"), QStringLiteral("--room"),
                           QStringLiteral("Main Hall"), QStringLiteral("--key"),
                           QString::fromLatin1(secretKey), QStringLiteral("--server"),
                           QStringLiteral(" 127.0.0.1:%1 ").arg(server.port()),
                           QStringLiteral("--ticks"), QStringLiteral("8")},
                          QStringLiteral("http://127.0.0.1:9/v1")));
        QVERIFY(run.finish());
        QCOMPARE(run.process.exitCode(), 0);

        const QList<QJsonObject> lines = run.lines();
        QCOMPARE(lines.size(), 8);
        const QStringList keys{QStringLiteral("status"),     QStringLiteral("connected"),
                               QStringLiteral("connecting"), QStringLiteral("remainingMs"),
                               QStringLiteral("caption"),    QStringLiteral("time"),
                               QStringLiteral("tone"),       QStringLiteral("message"),
                               QStringLiteral("blink"),      QStringLiteral("secondary"),
                               QStringLiteral("progress"),   QStringLiteral("barTone")};
        const QByteArray first = run.out.left(run.out.indexOf('\n'));
        qsizetype at = 0;
        for (const QString& key : keys) {
            const qsizetype next = first.indexOf("\"" + key.toUtf8() + "\":", at);
            QVERIFY2(next >= at, qPrintable(key));
            at = next;
        }

        const QJsonObject last = lines.last();
        QCOMPARE(last.value(QStringLiteral("status")).toString(),
                 QStringLiteral("Verbunden mit 127.0.0.1:%1").arg(server.port()));
        QCOMPARE(last.value(QStringLiteral("connected")).toBool(), true);
        QCOMPARE(last.value(QStringLiteral("connecting")).toBool(), false);
        const double remaining = last.value(QStringLiteral("remainingMs")).toDouble();
        QVERIFY2(remaining > 50000 && remaining <= 60000, qPrintable(QString::number(remaining)));
        QCOMPARE(last.value(QStringLiteral("caption")).toString(), QStringLiteral("Keynote"));
        QCOMPARE(last.value(QStringLiteral("time")).toString(), formatRemaining(remaining));
        QCOMPARE(last.value(QStringLiteral("tone")).toString(), QStringLiteral("running"));
        QCOMPARE(last.value(QStringLiteral("message")).toString(),
                 QStringLiteral("Noch fünf Minuten"));
        QCOMPARE(last.value(QStringLiteral("blink")).toBool(), false);
        QCOMPARE(last.value(QStringLiteral("secondary")).toString(), QString());
        QVERIFY(last.value(QStringLiteral("progress")).toDouble() > 0.8);
        QCOMPARE(last.value(QStringLiteral("barTone")).toString(), QStringLiteral("warning"));

        // The key went to the server, and nowhere else.
        const auto requests = server.requests();
        QVERIFY(!requests.isEmpty());
        QCOMPARE(requests.first().path, QStringLiteral("api/v1/get_status"));
        QCOMPARE(requests.first().query, QStringLiteral("room_id=Main%20Hall"));
        QCOMPARE(requests.first().header("Authorization"), "Bearer " + secretKey);
        QVERIFY(!run.out.contains(secretKey));
        QVERIFY(!run.err.contains(secretKey));
        QVERIFY2(run.homeIsEmpty(), "settings were written outside the temporary store");
    }

    void wrongKeyOnTheCloudIsReportedInTheChosenLanguage() {
        ScriptedHttpServer cloud;
        QVERIFY(cloud.listen());
        cloud.setResponse(
            QStringLiteral("v1/get_status"),
            Response::json(QJsonDocument(QJsonObject{{QStringLiteral("ok"), false},
                                                     {QStringLiteral("message"),
                                                      QStringLiteral("bad key ") +
                                                          QString::fromLatin1(secretKey)}})
                               .toJson(),
                           401));
        Run run;
        QVERIFY(
            run.start({QStringLiteral("--lang"), QStringLiteral("en"), QStringLiteral("watch"),
                       QStringLiteral("stagetimer"), QStringLiteral("--room"), QStringLiteral("R1"),
                       QStringLiteral("--key"), QString::fromLatin1(secretKey),
                       QStringLiteral("--ticks"), QStringLiteral("3")},
                      cloud.baseUrl() + QStringLiteral("/v1")));
        QVERIFY(run.finish());
        QCOMPARE(run.process.exitCode(), 0);
        const QJsonObject last = run.lines().last();
        QCOMPARE(last.value(QStringLiteral("status")).toString(),
                 QStringLiteral("Stagetimer: Invalid API key"));
        QCOMPARE(last.value(QStringLiteral("caption")).toString(),
                 QStringLiteral("Stagetimer: Invalid API key"));
        QVERIFY(last.value(QStringLiteral("remainingMs")).isNull());
        QVERIFY(last.value(QStringLiteral("progress")).isNull());
        QCOMPARE(cloud.requests().size(), 1);
        QVERIFY(!run.out.contains(secretKey));
        QVERIFY(!run.err.contains(secretKey));
        QVERIFY(run.homeIsEmpty());
    }

    void missingKeyIsAUsageError() {
        Run run;
        QVERIFY(run.start({QStringLiteral("watch"), QStringLiteral("stagetimer"),
                           QStringLiteral("--room"), QStringLiteral("R1")},
                          QStringLiteral("http://127.0.0.1:9/v1")));
        QVERIFY(run.finish());
        QCOMPARE(run.process.exitCode(), 2);
        QVERIFY(run.out.isEmpty());
        QVERIFY(run.err.contains("--key"));
    }
};

KALVANE_TEST_MAIN_CORE(WatchStagetimerTest)

#include "WatchStagetimerTest.moc"
