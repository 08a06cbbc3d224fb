#include "app/TalkTimer.h"
#include "l10n/L10n.h"
#include "powerpoint/PresentationProgram.h"
#include "powerpoint/PresentationStatus.h"
#include "support/TestMain.h"

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
