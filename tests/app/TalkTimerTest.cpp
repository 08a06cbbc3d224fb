#include "app/TalkTimer.h"
#include "l10n/L10n.h"
#include "powerpoint/PresentationProgram.h"
#include "powerpoint/PresentationStatus.h"
#include "support/Printers.h"
#include "support/TestMain.h"

namespace {

enum class Talk { noShow, notStarted, started, ended };

} // namespace

Q_DECLARE_METATYPE(Talk)

class TalkTimerTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void formatsHoursWithoutWrapping_data() {
        QTest::addColumn<qint64>("seconds");
        QTest::addColumn<QString>("text");
        QTest::newRow("zero") << qint64(0) << QStringLiteral("00:00:00");
        QTest::newRow("talk") << qint64(3725) << QStringLiteral("01:02:05");
        QTest::newRow("just under an hour") << qint64(3599) << QStringLiteral("00:59:59");
        QTest::newRow("100 hours") << qint64(360000) << QStringLiteral("100:00:00");
    }

    void formatsHoursWithoutWrapping() {
        QFETCH(qint64, seconds);
        QFETCH(QString, text);
        QCOMPARE(TalkTimer::format(seconds), text);
    }

    void startsAtTheFirstChangeFreezesAtTheEndAndResets() {
        TalkTimer talk;
        const qint64 t0 = 1'000'000;
        QCOMPARE(talk.elapsedSeconds(t0 + 50'000), 0);
        QVERIFY(!talk.isRunning());

        talk.slideChanged(t0);
        talk.slideChanged(t0 + 9'000); // later changes do nothing
        QVERIFY(talk.isRunning());
        QCOMPARE(talk.elapsedSeconds(t0 + 3'725'999), 3725); // truncated toward zero

        talk.showEnded(t0 + 10'000);
        talk.showEnded(t0 + 20'000); // already frozen
        QVERIFY(!talk.isRunning());
        QCOMPARE(talk.elapsedSeconds(t0 + 99'000'000), 10);

        talk.reset();
        QVERIFY(!talk.start() && !talk.end());
        QCOMPARE(talk.elapsedSeconds(t0 + 99'000'000), 0);

        // A show that ends before any change leaves the timer not started.
        talk.showEnded(t0);
        QVERIFY(!talk.start());
    }

    void clockSetBackNeverShowsNegativeTime() {
        TalkTimer talk;
        talk.slideChanged(5'000'000);
        QCOMPARE(talk.elapsedSeconds(4'000'000), 0);
        QCOMPARE(talk.display(true, 4'000'000).time, QStringLiteral("00:00:00"));
    }

    void displayFollowsTheTimersState() {
        TalkTimer talk;
        TimerDisplay display = talk.display(true, 0);
        QCOMPARE(display.caption, QStringLiteral("Vortragszeit – startet mit dem ersten Klick"));
        QCOMPARE(display.time, QStringLiteral("00:00:00"));
        QCOMPARE(display.tone, Tone::idle);
        QVERIFY(display.message.isEmpty() && display.secondary.isEmpty());
        QVERIFY(!display.blink && !display.progress);
        QCOMPARE(display.barTone, BarTone::normal);

        // Without a show the caption is the plain one.
        QCOMPARE(talk.display(false, 0).caption, QStringLiteral("Vortragszeit"));

        talk.slideChanged(1000);
        display = talk.display(true, 62'000);
        QCOMPARE(display.caption, QStringLiteral("Vortragszeit"));
        QCOMPARE(display.time, QStringLiteral("00:01:01"));
        QCOMPARE(display.tone, Tone::running);

        talk.showEnded(62'000);
        display = talk.display(false, 500'000);
        QCOMPARE(display.time, QStringLiteral("00:01:01"));
        QCOMPARE(display.tone, Tone::idle);
    }

    // With a talk length the card counts the slot down like an Ontime timer; 0 keeps the
    // talk time. `elapsed` runs from the first slide change to now, or to the show's end.
    void displayByTalkLength_data() {
        QTest::addColumn<qint64>("minutes");
        QTest::addColumn<Talk>("talk");
        QTest::addColumn<qint64>("elapsed");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("time");
        QTest::addColumn<Tone>("tone");
        QTest::addColumn<double>("progress"); // below 0: no bar
        QTest::addColumn<BarTone>("bar");
        const auto row = [](const char* name, qint64 minutes, Talk talk, qint64 elapsed,
                            const char* caption, const char* time, Tone tone, double progress,
                            BarTone bar) {
            QTest::newRow(name) << minutes << talk << elapsed << QString::fromUtf8(caption)
                                << QString::fromUtf8(time) << tone << progress << bar;
        };
        const char* waiting = "Redezeit – startet mit dem ersten Klick";
        const char* slot = "Redezeit";
        using enum Tone;
        using enum BarTone;
        using enum Talk;
        row("off", 0, started, 61'000, "Vortragszeit", "00:01:01", running, -1, normal);
        row("before the first click", 20, notStarted, 0, waiting, "20:00", idle, 0, normal);
        row("no show", 20, noShow, 0, slot, "20:00", idle, 0, normal);
        row("2 min left", 20, started, 1'080'000, slot, "02:00", running, 0.9, warning);
        row("1 min left", 20, started, 1'140'000, slot, "01:00", running, 0.95, danger);
        row("overtime", 20, started, 1'201'000, slot, "-00:01", overtime, 1, danger);
        row("ended early", 20, ended, 1'020'000, slot, "03:00", idle, 0.85, normal);
        row("ended over", 20, ended, 1'290'000, slot, "-01:30", overtime, 1, danger);
        // A short slot warns at a fifth and a tenth of it, not at 2 and 1 minutes.
        row("12 s of 1 min", 1, started, 48'000, slot, "00:12", running, 0.8, warning);
        row("6 s of 1 min", 1, started, 54'000, slot, "00:06", running, 0.9, danger);
    }

    void displayByTalkLength() {
        QFETCH(qint64, minutes);
        QFETCH(Talk, talk);
        QFETCH(qint64, elapsed);
        QFETCH(double, progress);
        TalkTimer timer;
        if (talk == Talk::started || talk == Talk::ended)
            timer.slideChanged(0);
        if (talk == Talk::ended)
            timer.showEnded(elapsed);
        // A frozen timer reads the same long after its end.
        const qint64 now = elapsed + (talk == Talk::ended ? 3'600'000 : 0);
        const TimerDisplay display = timer.display(talk != Talk::noShow, now, minutes);
        QTEST(display.caption, "caption");
        QTEST(display.time, "time");
        QTEST(display.tone, "tone");
        QCOMPARE(display.progress.value_or(-1), progress);
        QTEST(display.barTone, "bar");
    }

    void powerPointLinePrecedence() {
        const auto line = [](bool denied, bool running, int position, bool powerPointRunning) {
            const QString program = powerPointRunning ? PresentationProgram::powerPoint : QString();
            return PresentationStatus::line({denied, running, program, true, position});
        };
        QCOMPARE(line(true, true, 7, true),
                 QStringLiteral("Keine Berechtigung, PowerPoint abzufragen"));
        QCOMPARE(line(true, false, 0, false),
                 QStringLiteral("Keine Berechtigung, PowerPoint abzufragen"));
        QCOMPARE(line(false, true, 7, true), QStringLiteral("Präsentation läuft – Folie 7"));
        QCOMPARE(line(false, false, 0, true),
                 QStringLiteral("PowerPoint läuft, keine Präsentation"));
        QCOMPARE(line(false, false, 0, false), QStringLiteral("PowerPoint ist nicht geöffnet"));
    }
};

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    TestSettings::installThrowawayStore();
    L10n::overrideLanguage(QStringLiteral("de"));
    TalkTimerTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "TalkTimerTest.moc"
