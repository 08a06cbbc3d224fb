#include "app/StagetimerDisplay.h"
#include "settings/SettingsStore.h"
#include "stagetimer/StagetimerModel.h"
#include "support/MockClock.h"
#include "support/TestMain.h"

namespace {

// A connected model whose timer runs with `remaining` ms left of a run of `total` ms.
StagetimerState runWith(StagetimerModel& model, const MockClock& clock, double total,
                        double remaining) {
    const double now = static_cast<double>(clock.nowMs());
    model.setConnected(true);
    StagetimerState state;
    state.running = true;
    state.finish = now + remaining;
    state.startTime = *state.finish - total;
    model.setState(state);
    return state;
}

} // namespace

class StagetimerDisplayTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void notConnectedShowsTheStatus() {
        SettingsStore settings;
        StagetimerModel model(settings);
        StagetimerState state;
        state.finish = 1e12;
        state.message = QStringLiteral("kept");
        model.setState(state);
        const TimerDisplay display = stagetimerDisplay(model);
        QCOMPARE(display.caption, QStringLiteral("Nicht verbunden"));
        QCOMPARE(display.time, QStringLiteral("--:--"));
        QCOMPARE(display.tone, Tone::idle);
        QCOMPARE(display.message, QStringLiteral("kept"));
        QVERIFY(!display.progress);
        QCOMPARE(display.barTone, BarTone::normal);
    }

    void captionIsTheTimerName() {
        MockClock clock;
        SettingsStore settings;
        StagetimerModel model(settings);
        StagetimerState state = runWith(model, clock, 600000, 90000);
        QCOMPARE(stagetimerDisplay(model).caption, QStringLiteral("Stagetimer"));
        state.timerName = QStringLiteral("Keynote");
        state.message = QStringLiteral("Wrap up");
        model.setState(state);
        const TimerDisplay display = stagetimerDisplay(model);
        QCOMPARE(display.caption, QStringLiteral("Keynote"));
        QCOMPARE(display.time, QStringLiteral("01:30"));
        QCOMPARE(display.tone, Tone::running);
        QCOMPARE(display.message, QStringLiteral("Wrap up"));
        QVERIFY(!display.blink);
        QVERIFY(display.secondary.isEmpty());
        QCOMPARE(*display.progress, 0.85);
    }

    void tones() {
        MockClock clock;
        SettingsStore settings;
        StagetimerModel model(settings);
        StagetimerState state = runWith(model, clock, 600000, -5000);
        TimerDisplay display = stagetimerDisplay(model);
        QCOMPARE(display.tone, Tone::overtime);
        QCOMPARE(display.time, QStringLiteral("-00:05"));
        QCOMPARE(*display.progress, 1.0);
        QCOMPARE(display.barTone, BarTone::danger);

        // Paused: the time left at the pause, in the paused tone.
        state.running = false;
        state.pause = *state.finish - 30000;
        model.setState(state);
        display = stagetimerDisplay(model);
        QCOMPARE(display.tone, Tone::paused);
        QCOMPARE(display.time, QStringLiteral("00:30"));

        // Stopped: the full run, idle, bar empty.
        state.pause.reset();
        model.setState(state);
        display = stagetimerDisplay(model);
        QCOMPARE(display.tone, Tone::idle);
        QCOMPARE(display.time, QStringLiteral("10:00"));
        QCOMPARE(*display.progress, 0.0);

        // Overtime wins over paused.
        state.pause = *state.finish + 1000;
        model.setState(state);
        QCOMPARE(stagetimerDisplay(model).tone, Tone::overtime);

        // No remaining time at all.
        state.finish.reset();
        model.setState(state);
        display = stagetimerDisplay(model);
        QCOMPARE(display.tone, Tone::idle);
        QCOMPARE(display.time, QStringLiteral("--:--"));
        QVERIFY(!display.progress);
    }

    void barThresholds_data() {
        QTest::addColumn<double>("total");
        QTest::addColumn<double>("remaining");
        QTest::addColumn<BarTone>("tone");
        // Five minutes: a fifth and a tenth of the run.
        QTest::newRow("5 min, 60001 left") << 300000.0 << 60001.0 << BarTone::normal;
        QTest::newRow("5 min, 60000 left") << 300000.0 << 60000.0 << BarTone::warning;
        QTest::newRow("5 min, 30001 left") << 300000.0 << 30001.0 << BarTone::warning;
        QTest::newRow("5 min, 30000 left") << 300000.0 << 30000.0 << BarTone::danger;
        // One hour: capped at two minutes and one minute.
        QTest::newRow("1 h, 120001 left") << 3600000.0 << 120001.0 << BarTone::normal;
        QTest::newRow("1 h, 120000 left") << 3600000.0 << 120000.0 << BarTone::warning;
        QTest::newRow("1 h, 60001 left") << 3600000.0 << 60001.0 << BarTone::warning;
        QTest::newRow("1 h, 60000 left") << 3600000.0 << 60000.0 << BarTone::danger;
    }

    void barThresholds() {
        QFETCH(double, total);
        QFETCH(double, remaining);
        QFETCH(BarTone, tone);
        MockClock clock;
        SettingsStore settings;
        StagetimerModel model(settings);
        runWith(model, clock, total, remaining);
        const TimerDisplay display = stagetimerDisplay(model);
        QCOMPARE(display.barTone, tone);
        QCOMPARE(*display.progress, 1.0 - remaining / total);
    }

    void progressNeedsAStartBeforeTheFinish() {
        MockClock clock;
        SettingsStore settings;
        StagetimerModel model(settings);
        StagetimerState state = runWith(model, clock, 300000, 10000);
        const auto startAt = [&](std::optional<double> start) {
            state.startTime = start;
            model.setState(state);
        };
        startAt(0);
        QVERIFY(!stagetimerDisplay(model).progress);
        QCOMPARE(stagetimerDisplay(model).barTone, BarTone::normal);
        startAt(std::nullopt);
        QVERIFY(!stagetimerDisplay(model).progress);
        startAt(*state.finish);
        QVERIFY(!stagetimerDisplay(model).progress);
        // More left than the whole run (a clock far off): the bar stays empty.
        startAt(*state.finish - 5000);
        QCOMPARE(*stagetimerDisplay(model).progress, 0.0);
    }
};

KALVANE_TEST_MAIN_CORE(StagetimerDisplayTest)

#include "StagetimerDisplayTest.moc"
