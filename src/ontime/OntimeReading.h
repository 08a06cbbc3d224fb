#pragma once

#include <QString>
#include <QStringView>

#include <optional>

struct RuntimeData;
struct PollResponse;
struct LegacyPoll;

// What an event's timer shows on the server's own timer screen. A server that names no type,
// or one we do not know, counts down; so does 3.5's "time-to-end", which counts to the end.
enum class OntimeTimerType { countDown, countUp, clock, none };

// An auxiliary timer of the server as the answer had it.
struct OntimeAuxReading {
    // Milliseconds; absent when the server did not send the timer.
    std::optional<double> current;
    // Started, and so running on between answers, up or down.
    bool runs = false;
    bool countsUp = false;

    friend bool operator==(const OntimeAuxReading&, const OntimeAuxReading&) = default;
};

// What an Ontime server said about its timer and messages in its last answer, and when that
// answer came. The one place that holds the server's word; the client keeps one reading and
// the timer window is built from it.
struct OntimeReading {
    // Remaining milliseconds at the moment of the answer, negative in overtime.
    std::optional<double> current;
    QString playback;
    QString eventTitle;
    std::optional<double> durationMs;
    // Time added to the running event; absent from servers that do not report it.
    std::optional<double> addedMs;
    std::optional<double> warningMs;
    std::optional<double> dangerMs;
    // The visible timer-screen message, empty if none.
    QString timerMessage;
    bool timerMessageBlinks = false;
    QString secondaryMessage;

    OntimeTimerType timerType = OntimeTimerType::countDown;
    bool countsToEnd = false;
    // Running time since the start, without pauses; the server's time of day in milliseconds
    // since its midnight. Both as at the answer.
    std::optional<double> elapsedMs;
    std::optional<double> clockMs;
    // The server's phase of the timer ("default", "warning", …), empty if it sends none.
    QString phase;
    // The aux timer the second line shows instead of a text, when the message names one.
    std::optional<OntimeAuxReading> secondaryAux;
    // Timer screens are to stay dark.
    bool blackout = false;

    // When the timer's values arrived: milliseconds since the epoch, and the same moment on the
    // monotonic clock, from which the running time is counted on.
    qint64 pollTime = 0;
    qint64 pollMonotonic = 0;
    // When the running event ends, in milliseconds since the server's midnight.
    std::optional<double> expectedFinish;
    // The server's clock minus our monotonic clock, when the running time is to be counted on
    // the server's clock towards `expectedFinish` rather than from the arrival of `current`.
    // Polled values are up to a second old; the server's clock and the end it names are not.
    std::optional<double> clockOffset;

    // Whether the timer counts down between answers: playing, started or rolling.
    bool runsOn() const { return playbackRunsOn(playback); }
    static bool playbackRunsOn(QStringView playback);

    // The remaining time at `monotonicMs`: counted on while the timer runs; absent when
    // stopped, armed at zero, or unknown.
    std::optional<double> remainingAt(qint64 monotonicMs) const;

    // How far counting on the server's clock may set the remaining time apart from counting
    // from the arrival of `current`: beyond it the two describe different things, and the
    // arrival wins.
    static constexpr double maxClockCorrectionMs = 2000;
};

// The reading after an answer. A current server's running state replaces every field it speaks
// of, however it came; a legacy answer knows no thresholds and no blinking, so those stay as
// `before` had them. The moment stays that of `before`: whoever received the answer sets it.
OntimeReading takeOver(const OntimeReading& before, const RuntimeData& data);
OntimeReading takeOver(const OntimeReading& before, const PollResponse& response);
OntimeReading takeOver(const OntimeReading& before, const LegacyPoll& poll);
