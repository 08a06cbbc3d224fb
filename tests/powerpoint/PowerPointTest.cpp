#include "powerpoint/PowerPoint.h"
#include "powerpoint/PowerPointWatcher.h"
#include "powerpoint/ProcessPowerPointQuery.h"
#include "support/FakePlatform.h"
#include "support/TestMain.h"

#include <QElapsedTimer>
#include <QFile>
#include <QSemaphore>
#include <QTemporaryDir>

#include <atomic>
#include <limits>

namespace {

// Records the watcher's events with the state they were fired in.
struct EventLog {
    QStringList events;

    void attach(PowerPointWatcher& watcher) {
        auto record = [this, &watcher](const char* name) {
            events << QStringLiteral("%1 %2 %3 %4")
                          .arg(QLatin1String(name))
                          .arg(watcher.slideShowRunning())
                          .arg(watcher.position())
                          .arg(watcher.permissionDenied());
        };
        QObject::connect(&watcher, &PowerPointWatcher::slideShowStarted,
                         [record] { record("start"); });
        QObject::connect(&watcher, &PowerPointWatcher::slideChanged,
                         [record] { record("change"); });
        QObject::connect(&watcher, &PowerPointWatcher::slideShowEnded, [record] { record("end"); });
        QObject::connect(&watcher, &PowerPointWatcher::permissionDeniedChanged,
                         [record] { record("permission"); });
    }
};

// Runs one poll and waits for its result to arrive.
void pollOnce(PowerPointWatcher& watcher) {
    watcher.poll();
    QTRY_VERIFY(!watcher.busy());
}

QString writeScript(const QTemporaryDir& dir, const QString& name, const QByteArray& body) {
    const QString path = dir.filePath(name);
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write("#!/bin/sh\n" + body);
    file.close();
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    return path;
}

// A query that waits until the test lets it answer.
class GatedQuery final : public PowerPointQuery {
public:
    explicit GatedQuery(QSemaphore& gate, int& runs)
        : m_gate(gate)
        , m_runs(runs) {}
    ScriptResult run() override {
        m_gate.acquire();
        ++m_runs;
        return {4, 0};
    }

private:
    QSemaphore& m_gate;
    int& m_runs;
};

} // namespace

class PowerPointTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Only inside the running-guard does the script address PowerPoint, so a PowerPoint that
    // quit after the watcher's check is not launched again; without it the query fails with
    // the not-running error the watcher knows.
    void theScriptAddressesPowerPointOnlyWhileItRuns() {
        const QStringList lines = PowerPoint::scriptSource().split(u'\n');
        const QString guard = QStringLiteral("if application id \"%1\" is running then")
                                  .arg(PowerPoint::bundleIdentifier);
        QCOMPARE(lines.first(), guard);
        qsizetype depth = 0;
        qsizetype guardEnd = -1;
        for (qsizetype i = 0; i < lines.size() && guardEnd < 0; ++i) {
            const QString line = lines[i].trimmed();
            depth += line.startsWith(u"if ") && line.endsWith(u" then");
            depth -= line == u"end if";
            if (depth == 0)
                guardEnd = i;
            if (line.contains(u"tell application"))
                QVERIFY2(depth > 0, qPrintable(line));
        }
        QVERIFY(guardEnd > 0);
        QCOMPARE(lines.mid(guardEnd + 1),
                 QStringList{QStringLiteral("error number %1").arg(PowerPoint::errorNotRunning)});
    }

    void parsingAnswers_data() {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<int>("position");
        const int max = std::numeric_limits<int>::max();
        const int min = std::numeric_limits<int>::min();
        QTest::newRow("slide") << QStringLiteral("5") << 5;
        QTest::newRow("plus sign") << QStringLiteral("+12") << 12;
        QTest::newRow("no show") << QStringLiteral("-1") << -1;
        QTest::newRow("zero") << QStringLiteral("0") << 0;
        QTest::newRow("leading zeros") << QStringLiteral("007") << 7;
        QTest::newRow("empty") << QString() << -1;
        QTest::newRow("blank before") << QStringLiteral(" 5") << -1;
        QTest::newRow("blank after") << QStringLiteral("5 ") << -1;
        QTest::newRow("sign only") << QStringLiteral("-") << -1;
        QTest::newRow("two signs") << QStringLiteral("+-3") << -1;
        QTest::newRow("text") << QStringLiteral("missing value") << -1;
        QTest::newRow("decimal") << QStringLiteral("3.0") << -1;
        QTest::newRow("other digits") << QStringLiteral("\u0663") << -1;
        QTest::newRow("largest") << QStringLiteral("2147483647") << max;
        QTest::newRow("too large") << QStringLiteral("2147483648") << -1;
        QTest::newRow("smallest") << QStringLiteral("-2147483648") << min;
        QTest::newRow("too small") << QStringLiteral("-2147483649") << -1;
        QTest::newRow("huge") << QStringLiteral("99999999999999999999999") << -1;
    }

    void parsingAnswers() {
        QFETCH(QString, answer);
        QFETCH(int, position);
        QCOMPARE(PowerPoint::parsePosition(answer), position);
    }

    void noQueryWhilePowerPointIsAbsent() {
        FakePlatform platform;
        PowerPointWatcher watcher(Platform::presentationQueries());
        EventLog log;
        log.attach(watcher);
        pollOnce(watcher);
        pollOnce(watcher);
        QCOMPARE(platform.queries, 0);
        QVERIFY(log.events.isEmpty());
        QVERIFY(!watcher.slideShowRunning());
    }

    void slideShowLifecycle() {
        FakePlatform platform;
        platform.setRunning(PowerPoint::bundleIdentifier, true);
        platform.queueAnswers(
            {{-1, 0}, {5, 0}, {5, 0}, {3, 0}, {2, 0}, {-1, 0}, {0, 0}, {0, 0}, {1, 0}});
        PowerPointWatcher watcher(Platform::presentationQueries());
        EventLog log;
        log.attach(watcher);
        for (int i = 0; i < 9; ++i)
            pollOnce(watcher);
        QCOMPARE(log.events, (QStringList{
                                 QStringLiteral("start 1 5 0"), // started on slide 5: no change
                                 QStringLiteral("change 1 3 0"),
                                 QStringLiteral("change 1 2 0"), // going back also counts
                                 QStringLiteral("end 0 0 0"),
                                 QStringLiteral("start 1 0 0"), // a show on position 0
                                 QStringLiteral("change 1 1 0"),
                             }));
        QCOMPARE(platform.queries, 9);
    }

    void powerPointQuittingEndsTheShow() {
        FakePlatform platform;
        platform.setRunning(PowerPoint::bundleIdentifier, true);
        platform.queueAnswers({{4, 0}});
        PowerPointWatcher watcher(Platform::presentationQueries());
        EventLog log;
        log.attach(watcher);
        pollOnce(watcher);
        platform.setRunning(PowerPoint::bundleIdentifier, false);
        pollOnce(watcher);
        QCOMPARE(log.events,
                 (QStringList{QStringLiteral("start 1 4 0"), QStringLiteral("end 0 0 0")}));

        // Or the query itself finds it gone.
        platform.setRunning(PowerPoint::bundleIdentifier, true);
        platform.queueAnswers({{6, 0}, {std::nullopt, PowerPoint::errorNotRunning}});
        pollOnce(watcher);
        pollOnce(watcher);
        QCOMPARE(log.events.mid(2),
                 (QStringList{QStringLiteral("start 1 6 0"), QStringLiteral("end 0 0 0")}));
        // Without a show, -600 changes nothing.
        pollOnce(watcher);
        QCOMPARE(log.events.size(), 4);
    }

    void permissionRefusedAndGranted() {
        FakePlatform platform;
        platform.setRunning(PowerPoint::bundleIdentifier, true);
        platform.queueAnswers({{std::nullopt, PowerPoint::errorNotPermitted},
                               {3, 0},
                               {std::nullopt, PowerPoint::errorNotPermitted}});
        PowerPointWatcher watcher(Platform::presentationQueries());
        EventLog log;
        log.attach(watcher);

        // Refused while no show runs: only the flag changes.
        pollOnce(watcher);
        QVERIFY(watcher.permissionDenied());
        QCOMPARE(log.events, QStringList{QStringLiteral("permission 0 0 1")});

        // PowerPoint gone: the flag stays as it is.
        platform.setRunning(PowerPoint::bundleIdentifier, false);
        pollOnce(watcher);
        QVERIFY(watcher.permissionDenied());

        // Granted: the next successful query clears it; refused during a show ends the show.
        platform.setRunning(PowerPoint::bundleIdentifier, true);
        pollOnce(watcher);
        pollOnce(watcher);
        QCOMPARE(log.events.mid(1), (QStringList{
                                        QStringLiteral("permission 0 0 0"),
                                        QStringLiteral("start 1 3 0"),
                                        QStringLiteral("permission 1 3 1"),
                                        QStringLiteral("end 0 0 1"),
                                    }));
    }

    void otherErrorsChangeNothing() {
        FakePlatform platform;
        platform.setRunning(PowerPoint::bundleIdentifier, true);
        platform.queueAnswers({{8, 0},
                               {std::nullopt, PowerPoint::errorTimedOut},
                               {std::nullopt, -1},
                               {std::nullopt, -2753},
                               {8, 0}});
        PowerPointWatcher watcher(Platform::presentationQueries());
        EventLog log;
        log.attach(watcher);
        for (int i = 0; i < 5; ++i)
            pollOnce(watcher);
        QCOMPARE(log.events, QStringList{QStringLiteral("start 1 8 0")});
        QVERIFY(watcher.slideShowRunning());
        QCOMPARE(watcher.position(), 8);
    }

    void pollsAreSkippedWhileAQueryIsUnderWay() {
        FakePlatform platform;
        platform.setRunning(PowerPoint::bundleIdentifier, true);
        QSemaphore gate;
        int runs = 0;
        PowerPointWatcher watcher(std::make_unique<ScriptRunner>(
            [&] { return std::make_unique<GatedQuery>(gate, runs); }));
        watcher.setInterval(std::chrono::milliseconds(5));
        watcher.start();
        QTRY_VERIFY(watcher.busy());
        QTest::qWait(60); // a dozen timer firings pass while the query hangs
        gate.release();
        QTRY_COMPARE(watcher.position(), 4);
        QCOMPARE(runs, 1);
        gate.release(1000); // let the runner finish whatever follows
    }

    void runnerDestroyedDuringAQueryFreesTheQuery() {
        class SlowQuery final : public PowerPointQuery {
        public:
            SlowQuery(std::atomic<bool>& started, std::atomic<bool>& freed, QSemaphore& gate)
                : m_started(started)
                , m_freed(freed)
                , m_gate(gate) {}
            ~SlowQuery() override { m_freed = true; }
            ScriptResult run() override {
                m_started = true;
                m_gate.acquire();
                return {1, 0};
            }

        private:
            std::atomic<bool>& m_started;
            std::atomic<bool>& m_freed;
            QSemaphore& m_gate;
        };
        std::atomic<bool> started = false;
        std::atomic<bool> freed = false;
        QSemaphore gate;
        auto runner = std::make_unique<ScriptRunner>(
            [&] { return std::make_unique<SlowQuery>(started, freed, gate); });
        runner->submit(this, [](ScriptResult) {});
        runner->submit(this, [](ScriptResult) {}); // still queued when the runner goes
        QTRY_VERIFY(started);
        // The query ends while the runner waits for its thread.
        QThread* opener = QThread::create([&gate] {
            QThread::msleep(50);
            gate.release(10);
        });
        opener->start();
        runner.reset();
        QVERIFY(freed);
        opener->wait();
        delete opener;
    }

    void runnerLivesOnItsOwnNamedThread() {
        QCOMPARE(ScriptRunner::queueLabel(), QStringLiteral("org.tessaly.kalvane.powerpoint"));
        QThread* seen = nullptr;
        class ThreadQuery final : public PowerPointQuery {
        public:
            explicit ThreadQuery(QThread*& seen)
                : m_seen(seen) {}
            ScriptResult run() override {
                m_seen = QThread::currentThread();
                return {-1, 0};
            }
            QThread*& m_seen;
        };
        ScriptRunner runner([&] { return std::make_unique<ThreadQuery>(seen); });
        bool done = false;
        runner.submit(this, [&](ScriptResult) { done = true; });
        QTRY_VERIFY(done);
        QVERIFY(seen && seen != QThread::currentThread());
        QCOMPARE(seen->objectName(), ScriptRunner::queueLabel());
    }

    void processQueryAnswers() {
        QTemporaryDir dir;
        const auto run = [&](const QByteArray& body) {
            return ProcessPowerPointQuery(writeScript(dir, QStringLiteral("q.sh"), body)).run();
        };
        ScriptResult result = run("echo 7\n");
        QCOMPARE(result.position, std::optional<int>(7));
        QCOMPARE(result.error, 0);
        QCOMPARE(run("echo -1\n").position, std::optional<int>(-1));
        QCOMPARE(run("printf '12\\r\\n'\n").position, std::optional<int>(12));
        QCOMPARE(run("echo ' 3'\n").position, std::optional<int>(-1));
        QCOMPARE(run("echo 'missing value'\n").position, std::optional<int>(-1));

        result = run("echo '0:1: execution error: Not authorised to send Apple events to "
                     "Microsoft PowerPoint. (-1743)' >&2\nexit 1\n");
        QVERIFY(!result.position);
        QCOMPARE(result.error, PowerPoint::errorNotPermitted);
        result = run("echo -600 >&2\nexit 1\n");
        QCOMPARE(result.error, PowerPoint::errorNotRunning);
        result = run("echo broken >&2\nexit 3\n");
        QVERIFY(!result.position);
        QCOMPARE(result.error, -1);

        result = ProcessPowerPointQuery(dir.filePath(QStringLiteral("absent"))).run();
        QVERIFY(!result.position);
        QCOMPARE(result.error, -1);
    }

    // Until PowerPoint has answered (a position or a refusal), a run may take the long first
    // limit; afterwards a run that overruns the short one is killed.
    void processQueryGivesTheFirstAnswerLonger() {
        QTemporaryDir dir;
        const QString script = writeScript(dir, QStringLiteral("q.sh"), R"(
n=$(cat "$0.n" 2>/dev/null || echo 0); n=$((n + 1)); echo $n > "$0.n"
[ $n = 1 ] && { echo 'error (-600)' >&2; exit 1; }
sleep 1; echo 3
)");
        ProcessPowerPointQuery query(script, {},
                                     {std::chrono::seconds(10), std::chrono::milliseconds(300)});
        QCOMPARE(query.run().error, PowerPoint::errorNotRunning);
        QCOMPARE(query.run().position, std::optional<int>(3));
        QElapsedTimer timer;
        timer.start();
        const ScriptResult late = query.run();
        QCOMPARE(late.error, PowerPoint::errorTimedOut);
        QVERIFY2(timer.elapsed() < 900, qPrintable(QString::number(timer.elapsed())));
    }

    // Each query's process is gone before the watcher's next one starts, however often it
    // polls; and a runner that goes ends a query that waits on its long first limit.
    void oneQueryProcessAtATime() {
        QTemporaryDir dir;
        const QString script = writeScript(dir, QStringLiteral("q.sh"), R"(
old=$(cat "$0.pid" 2>/dev/null) && kill -0 "$old" 2>/dev/null && echo overlap >> "$0.log"
echo $$ > "$0.pid"; echo start >> "$0.log"
[ -e "$0.hang" ] && exec sleep 30; sleep 0.4; echo 2
)");
        const auto limits = ProcessPowerPointQuery::Limits{std::chrono::seconds(60),
                                                           std::chrono::milliseconds(200)};
        auto watcher = std::make_unique<PowerPointWatcher>(std::make_unique<ScriptRunner>([&] {
            return std::make_unique<ProcessPowerPointQuery>(script, QStringList{}, limits);
        }));
        watcher->setInterval(std::chrono::milliseconds(10));
        watcher->start();
        QTRY_VERIFY_WITH_TIMEOUT(watcher->slideShowRunning(), 5000);
        QTest::qWait(1000);
        QFile log(script + QStringLiteral(".log"));
        QVERIFY(log.open(QIODevice::ReadOnly));
        const QByteArray runs = log.readAll();
        QVERIFY2(!runs.contains("overlap") && runs.count("start") >= 2, runs.constData());

        QFile(script + QStringLiteral(".hang")).open(QIODevice::WriteOnly);
        watcher = std::make_unique<PowerPointWatcher>(std::make_unique<ScriptRunner>([&] {
            return std::make_unique<ProcessPowerPointQuery>(script, QStringList{}, limits);
        }));
        watcher->start();
        QTest::qWait(300);
        QElapsedTimer timer;
        timer.start();
        watcher.reset();
        QVERIFY2(timer.elapsed() < 2000, qPrintable(QString::number(timer.elapsed())));
    }

    void standInCommandCountsAsRunningPowerPoint() {
        QTemporaryDir dir;
        const QString script = writeScript(dir, QStringLiteral("pp.sh"), "echo 1\n");
        qputenv("KLV_POWERPOINT_SCRIPT", script.toLocal8Bit());
        QVERIFY(ProcessPowerPointQuery::commandAvailable());
        QFile::setPermissions(script, QFileDevice::ReadOwner);
        QVERIFY(!ProcessPowerPointQuery::commandAvailable());
        qputenv("KLV_POWERPOINT_SCRIPT", dir.path().toLocal8Bit()); // a folder is no command
        QVERIFY(!ProcessPowerPointQuery::commandAvailable());
        qunsetenv("KLV_POWERPOINT_SCRIPT");
        QVERIFY(!ProcessPowerPointQuery::commandAvailable());
    }
};

KALVANE_TEST_MAIN_CORE(PowerPointTest)
#include "PowerPointTest.moc"
