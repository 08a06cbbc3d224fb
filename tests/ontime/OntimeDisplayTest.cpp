#include "app/OntimeDisplay.h"
#include "ontime/OntimeModel.h"
#include "settings/SettingsStore.h"
#include "support/TestMain.h"

#include <cmath>

namespace {

OntimeSnapshot connectedWith(std::optional<double> remaining, const QString& playback) {
    OntimeSnapshot state;
    state.connected = true;
    state.status = QStringLiteral("Verbunden mit x");
    state.remainingMs = remaining;
    state.reading.playback = playback;
    return state;
}

} // namespace

class OntimeDisplayTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void captionIsTheTitleOrTheStatus() {
        OntimeSnapshot state = connectedWith(std::nullopt, QStringLiteral("stop"));
        QCOMPARE(ontimeDisplay(state).caption, QStringLiteral("Ontime"));
        state.reading.eventTitle = QStringLiteral("Keynote");
        QCOMPARE(ontimeDisplay(state).caption, QStringLiteral("Keynote"));
        state.connected = false;
        state.status = QStringLiteral("Verbindung zu 10.0.0.2 unterbrochen …");
        QCOMPARE(ontimeDisplay(state).caption, state.status);
    }

    // Nothing connected still shows something: the status and an empty clock.
    void absentTimeIsAnIdleDashedClock() {
        OntimeSnapshot state;
        state.status = QStringLiteral("Nicht verbunden");
        state.reading.durationMs = 600000;
        const TimerDisplay display = ontimeDisplay(state);
        QCOMPARE(display.caption, QStringLiteral("Nicht verbunden"));
        QCOMPARE(display.time, QStringLiteral("--:--"));
        QCOMPARE(display.tone, Tone::idle);
        QVERIFY(!display.progress);
        QCOMPARE(display.barTone, BarTone::normal);
    }

    void tone_data() {
        QTest::addColumn<double>("remaining");
        QTest::addColumn<QString>("playback");
        QTest::addColumn<Tone>("tone");
        QTest::addColumn<QString>("time");
        QTest::newRow("paused") << 30000.0 << QStringLiteral("pause") << Tone::paused
                                << QStringLiteral("00:30");
        QTest::newRow("overtime beats pause")
            << -5000.0 << QStringLiteral("pause") << Tone::overtime << QStringLiteral("-00:05");
        QTest::newRow("overtime while playing")
            << -61000.0 << QStringLiteral("play") << Tone::overtime << QStringLiteral("-01:01");
        QTest::newRow("play") << 90000.0 << QStringLiteral("play") << Tone::running
                              << QStringLiteral("01:30");
        QTest::newRow("start") << 1.0 << QStringLiteral("start") << Tone::running
                               << QStringLiteral("00:01");
        QTest::newRow("roll") << 3600000.0 << QStringLiteral("roll") << Tone::running
                              << QStringLiteral("1:00:00");
        QTest::newRow("armed") << 8000.0 << QStringLiteral("armed") << Tone::idle
                               << QStringLiteral("00:08");
        QTest::newRow("no playback")
            << 8000.0 << QString() << Tone::idle << QStringLiteral("00:08");
    }

    void tone() {
        QFETCH(double, remaining);
        QFETCH(QString, playback);
        QFETCH(Tone, tone);
        QFETCH(QString, time);
        const TimerDisplay display = ontimeDisplay(connectedWith(remaining, playback));
        QCOMPARE(display.tone, tone);
        QCOMPARE(display.time, time);
    }

    void progressAndBar_data() {
        QTest::addColumn<double>("remaining");
        QTest::addColumn<double>("duration");
        QTest::addColumn<std::optional<double>>("warning");
        QTest::addColumn<std::optional<double>>("danger");
        QTest::addColumn<std::optional<double>>("progress");
        QTest::addColumn<BarTone>("barTone");
        const std::optional<double> none;
        QTest::newRow("plenty left") << 300000.0 << 600000.0 << none << none
                                     << std::optional<double>(0.5) << BarTone::normal;
        QTest::newRow("default warning") << 90000.0 << 600000.0 << none << none
                                         << std::optional<double>(0.85) << BarTone::warning;
        QTest::newRow("default danger at the edge")
            << 60000.0 << 600000.0 << none << none << std::optional<double>(0.9) << BarTone::danger;
        QTest::newRow("event thresholds")
            << 4000.0 << 8000.0 << std::optional<double>(5000) << std::optional<double>(3000)
            << std::optional<double>(0.5) << BarTone::warning;
        QTest::newRow("overtime is full and danger")
            << -5000.0 << 8000.0 << std::optional<double>(5000) << std::optional<double>(3000)
            << std::optional<double>(1.0) << BarTone::danger;
        QTest::newRow("more than the duration")
            << 9000.0 << 8000.0 << none << none << std::optional<double>(0.0) << BarTone::danger;
        QTest::newRow("zero duration hides the bar")
            << 9000.0 << 0.0 << none << none << none << BarTone::normal;
        QTest::newRow("negative duration hides the bar")
            << 9000.0 << -1.0 << none << none << none << BarTone::normal;
        QTest::newRow("infinite remaining")
            << HUGE_VAL << 8000.0 << none << none << std::optional<double>(0.0) << BarTone::normal;
        QTest::newRow("infinite duration") << HUGE_VAL << HUGE_VAL << none << none
                                           << std::optional<double>(0.0) << BarTone::normal;
    }

    void progressAndBar() {
        QFETCH(double, remaining);
        QFETCH(double, duration);
        QFETCH(std::optional<double>, warning);
        QFETCH(std::optional<double>, danger);
        QFETCH(std::optional<double>, progress);
        QFETCH(BarTone, barTone);
        OntimeSnapshot state = connectedWith(remaining, QStringLiteral("play"));
        state.reading.durationMs = duration;
        state.reading.warningMs = warning;
        state.reading.dangerMs = danger;
        const TimerDisplay display = ontimeDisplay(state);
        QCOMPARE(display.progress.has_value(), progress.has_value());
        if (progress)
            QVERIFY2(std::abs(*display.progress - *progress) < 1e-9,
                     qPrintable(QString::number(*display.progress)));
        QCOMPARE(display.barTone, barTone);
    }

    void progressCountsAddedTime_data() {
        QTest::addColumn<double>("remaining");
        QTest::addColumn<std::optional<double>>("added");
        QTest::addColumn<double>("progress");
        // A 30 s event with 31.5 s added, 5.5 s into it.
        QTest::newRow("added") << 56000.0 << std::optional<double>(31500) << 5.5 / 61.5;
        QTest::newRow("taken away") << 10000.0 << std::optional<double>(-10000) << 0.5;
        QTest::newRow("none reported") << 15000.0 << std::optional<double>() << 0.5;
        QTest::newRow("more taken than the duration")
            << 1000.0 << std::optional<double>(-40000) << 0.0;
    }

    void progressCountsAddedTime() {
        QFETCH(double, remaining);
        QFETCH(std::optional<double>, added);
        QFETCH(double, progress);
        OntimeSnapshot state = connectedWith(remaining, QStringLiteral("play"));
        state.reading.durationMs = 30000;
        state.reading.addedMs = added;
        const TimerDisplay display = ontimeDisplay(state);
        if (state.reading.durationMs.value() + added.value_or(0) <= 0) {
            QVERIFY(!display.progress);
            QCOMPARE(display.barTone, BarTone::normal);
            return;
        }
        QVERIFY(display.progress);
        QVERIFY2(std::abs(*display.progress - progress) < 1e-9,
                 qPrintable(QString::number(*display.progress)));
        // The tones still follow the remaining time alone.
        QCOMPARE(display.barTone, remaining <= 60000 ? BarTone::danger : BarTone::normal);
    }

    void messagesPassThrough() {
        OntimeSnapshot state = connectedWith(10000.0, QStringLiteral("play"));
        state.reading.timerMessage = QStringLiteral("Wrap up, please");
        state.reading.timerMessageBlinks = true;
        state.reading.secondaryMessage = QStringLiteral("Questions next");
        const TimerDisplay display = ontimeDisplay(state);
        QCOMPARE(display.message, QStringLiteral("Wrap up, please"));
        QVERIFY(display.blink);
        QCOMPARE(display.secondary, QStringLiteral("Questions next"));
    }

    void freshModel() {
        SettingsStore settings;
        OntimeModel model(settings);
        const TimerDisplay display = ontimeDisplay(model);
        QCOMPARE(display.caption, model.status());
        QCOMPARE(display.time, QStringLiteral("--:--"));
        QVERIFY(!display.progress);
        QCOMPARE(ontimeSourceLine(model), QStringLiteral("Ontime \u2013 ") + model.status());
        QVERIFY(!ontimeSourceOK(model));
    }
};

KALVANE_TEST_MAIN_CORE(OntimeDisplayTest)
#include "OntimeDisplayTest.moc"
