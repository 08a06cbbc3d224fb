#include "app/OntimeDisplay.h"
#include "OntimeFakes.h"
#include "app/OntimeTimerTypes.h"
#include "ontime/OntimeModel.h"
#include "ontime/OntimeRecords.h"
#include "ontime/ServerClock.h"
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

    // Recorded answers of every server generation, read `sinceMs` after they came, with the
    // seconds rounded as that generation's own screen rounds them. Expected: time, tone,
    // [second line], the bar's tone or "-" without a bar, and a blackout.
    void recordedAnswers_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<double>("sinceMs");
        QTest::addColumn<QString>("shown");
        const auto row = [](const char* version, const char* state, double since,
                            const char* shown) {
            QTest::addRow("%s %s +%g", version, state, since)
                << QStringLiteral("%1_api_poll_%2.json")
                       .arg(QLatin1String(version), QLatin1String(state))
                << since << QString::fromUtf8(shown);
        };
        row("v4.11.0", "countup_playing", 0, "00:03 running [] normal");
        row("v4.11.0", "countup_playing", 1000, "00:04 running [] normal");
        row("v4.11.0", "countup_paused", 5000, "00:04 paused [] normal");
        row("v4.11.0", "clock", 1000, "18:01:11 running [] -");
        row("v4.11.0", "none", 0, " running [] -");
        row("v4.11.0", "count_to_end", 0, "38:24 running [] normal");
        row("v4.11.0", "countdown_secondary_aux1", 500, "-00:06 overtime [01:26] danger");
        row("v4.11.0", "secondary_aux3_negative", 100, "-00:16 overtime [-00:03] danger");
        row("v4.11.0", "blackout", 0, "-00:22 overtime [] danger blackout");
        row("v4.11.0", "warning", 0, "00:30 running [] warning");
        row("v4.11.0", "roll_pending", 0, "00:40 running [] normal");
        row("v3.16.1", "countdown_secondary_aux", 0, "-00:07 overtime [01:26] danger");
        row("v3.16.1", "aux_countup", 300, "-00:09 overtime [01:29] danger");
        row("v3.5.1", "time_to_end", 0, "38:29 running [] normal");
        row("v3.5.1", "none", 0, "09:56 running [] normal");
        row("v3.5.1", "countdown_secondary_aux", 0, "-00:06 overtime [Backstage%20note] danger");
    }

    void recordedAnswers() {
        QFETCH(QString, file);
        QFETCH(double, sinceMs);
        const auto poll = PollResponse::decode(fakes::sample(file));
        QVERIFY(poll);
        OntimeSnapshot state;
        state.connected = true;
        state.seconds = file.startsWith(u"v3") ? SecondsRule::down : SecondsRule::up;
        state.reading = takeOver(OntimeReading(), *poll);
        const auto at = [&state](double since) {
            state.monotonicMs = qint64(since);
            state.remainingMs = state.reading.remainingAt(state.monotonicMs);
            return ontimeDisplay(state);
        };
        const TimerDisplay display = at(sinceMs);
        QTEST(QStringLiteral("%1 %2 [%3] %4%5")
                  .arg(display.time, toneName(display.tone), display.secondary,
                       display.progress ? barToneName(display.barTone) : QStringLiteral("-"),
                       display.blackout ? QStringLiteral(" blackout") : QString()),
              "shown");

        // The texts of the other timer types and of the aux timer hold until the moment they
        // are said to change, and change then.
        const auto texts = [&state](const TimerDisplay& shown) {
            return state.reading.timerType == OntimeTimerType::countDown
                       ? shown.secondary
                       : shown.time + u'|' + shown.secondary;
        };
        if (const auto next =
                OntimeTimerTypes::msUntilNextChange(state.reading, sinceMs, state.seconds)) {
            QVERIFY(*next > 0 && *next <= 1001);
            QCOMPARE(texts(at(sinceMs + *next - 1)), texts(display));
            QVERIFY(texts(at(sinceMs + *next)) != texts(display));
        }

        // A lost server leaves its status alone: no blackout, no aux timer running on.
        state.connected = false;
        const TimerDisplay lost = at(sinceMs);
        QVERIFY(!lost.blackout && lost.secondary == state.reading.secondaryMessage);
    }

    void secondsFollowTheServersOwnView_data() {
        QTest::addColumn<double>("ms");
        QTest::addColumn<SecondsRule>("rule");
        QTest::addColumn<QString>("time");
        const SecondsRule four = SecondsRule::up;
        const SecondsRule three = SecondsRule::down;
        QTest::newRow("4: 1.995 s") << 1995.0 << four << QStringLiteral("00:02");
        QTest::newRow("4: 0.974 s") << 974.0 << four << QStringLiteral("00:01");
        QTest::newRow("4: first overtime second") << -29.0 << four << QStringLiteral("-00:00");
        QTest::newRow("4: -1.023 s") << -1023.0 << four << QStringLiteral("-00:01");
        QTest::newRow("3: 1.995 s") << 1995.0 << three << QStringLiteral("00:01");
        QTest::newRow("3: 0.974 s") << 974.0 << three << QStringLiteral("00:00");
        QTest::newRow("3: zero") << 0.0 << three << QStringLiteral("00:00");
        QTest::newRow("3: first overtime second") << -29.0 << three << QStringLiteral("-00:01");
        QTest::newRow("3: -1.023 s") << -1023.0 << three << QStringLiteral("-00:02");
        QTest::newRow("3: an hour") << 3600999.0 << three << QStringLiteral("1:00:00");
    }

    void secondsFollowTheServersOwnView() {
        QFETCH(double, ms);
        QFETCH(SecondsRule, rule);
        QFETCH(QString, time);
        OntimeSnapshot state = connectedWith(ms, QStringLiteral("play"));
        state.seconds = rule;
        QCOMPARE(ontimeDisplay(state).time, time);
    }

    void nextChangeIsTheTurnOfTheSecond_data() {
        QTest::addColumn<std::optional<double>>("remaining");
        QTest::addColumn<QString>("playback");
        QTest::addColumn<std::optional<qint64>>("next");
        using Ms = std::optional<double>;
        using Next = std::optional<qint64>;
        QTest::newRow("running") << Ms(5300) << QStringLiteral("play") << Next(301);
        QTest::newRow("on the second") << Ms(5000) << QStringLiteral("roll") << Next(1001);
        QTest::newRow("a fraction") << Ms(5000.4) << QStringLiteral("play") << Next(2);
        QTest::newRow("overtime") << Ms(-300) << QStringLiteral("play") << Next(701);
        QTest::newRow("paused") << Ms(5300) << QStringLiteral("pause") << Next();
        QTest::newRow("armed") << Ms(5300) << QStringLiteral("armed") << Next();
        QTest::newRow("no time") << Ms() << QStringLiteral("play") << Next();
        QTest::newRow("infinite") << Ms(HUGE_VAL) << QStringLiteral("play") << Next();
    }

    void nextChangeIsTheTurnOfTheSecond() {
        QFETCH(std::optional<double>, remaining);
        QFETCH(QString, playback);
        QFETCH(std::optional<qint64>, next);
        OntimeSnapshot state = connectedWith(remaining, playback);
        QCOMPARE(ontimeNextChange(state), next);
        if (next) {
            // A millisecond past that moment the text shows the next second, by either rule.
            for (const SecondsRule rule : {SecondsRule::up, SecondsRule::down}) {
                state.seconds = rule;
                if (rule == SecondsRule::down && std::fmod(*remaining, 1000.0) == 0) {
                    QCOMPARE(ontimeNextChange(state), 1);
                    continue;
                }
                const QString now = ontimeDisplay(state).time;
                OntimeSnapshot later = state;
                later.remainingMs = *remaining - double(*next);
                OntimeSnapshot before = state;
                before.remainingMs = *remaining - double(*next) + 2;
                QVERIFY(ontimeDisplay(later).time != now);
                QCOMPARE(ontimeDisplay(before).time, now);
            }
        }
        state.connected = false;
        QVERIFY(!ontimeNextChange(state));
    }

    // Pushed values count from their arrival; polled ones on the server's clock towards the
    // end it names, for they are up to a second old when they arrive.
    void remainingTime_data() {
        QTest::addColumn<double>("current");
        QTest::addColumn<std::optional<double>>("expectedFinish");
        QTest::addColumn<std::optional<double>>("clockOffset");
        QTest::addColumn<double>("remaining");
        using Ms = std::optional<double>;
        // Arrived at 1000 on our clock, read at 1500.
        QTest::newRow("pushed") << 10000.0 << Ms(36010000) << Ms() << 9500.0;
        QTest::newRow("polled, 400 ms old")
            << 10400.0 << Ms(36010000) << Ms(36000000 - 1000) << 9500.0;
        QTest::newRow("polled, no end named") << 10400.0 << Ms() << Ms(35999000) << 9900.0;
        QTest::newRow("polled across midnight")
            << 1000.0 << Ms(200) << Ms(86399700 - 1500) << 500.0;
        QTest::newRow("polled, the end far from the value")
            << 10400.0 << Ms(36100000) << Ms(35999000) << 9900.0;
    }

    void remainingTime() {
        QFETCH(double, current);
        QFETCH(std::optional<double>, expectedFinish);
        QFETCH(std::optional<double>, clockOffset);
        QFETCH(double, remaining);
        OntimeReading reading;
        reading.current = current;
        reading.playback = QStringLiteral("play");
        reading.pollMonotonic = 1000;
        reading.expectedFinish = expectedFinish;
        reading.clockOffset = clockOffset;
        QCOMPARE(reading.remainingAt(1500), remaining);
    }

    // Each answer is a lower bound of the server's time; the highest one of the last minute
    // counts, unless the server's clock went back.
    void serverClock() {
        // The server's clock runs 35,999,000 ms ahead of ours.
        ServerClock clock;
        QVERIFY(!clock.offset());
        clock.add(35999400, 1000); // 600 ms old when it arrived
        QCOMPARE(clock.offset(), 35998400.0);
        clock.add(36000490, 1500); // 10 ms old: the freshest
        clock.add(36000490, 1600);
        QCOMPARE(clock.offset(), 35998990.0);
        // Set back by a minute: the earlier answers cannot be right any more.
        clock.add(35940690, 1700);
        QCOMPARE(clock.offset(), 35938990.0);
        // A minute on, old answers count no longer.
        clock.add(36007000, 70000);
        QCOMPARE(clock.offset(), 35937000.0);
        // Past midnight the values start again from zero; that is no setting back.
        ServerClock midnight;
        midnight.add(86399990, 1000);
        midnight.add(5, 1020);
        QCOMPARE(aroundZero(*midnight.offset() - (86399990.0 - 1000)), 0.0);
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
