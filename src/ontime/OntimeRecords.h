#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QString>

#include <array>
#include <optional>
#include <variant>

// The answers of an Ontime server that the client reads. Each record decodes strictly from a
// response body: unknown keys are ignored, a missing or null optional key is absent, and a
// key of the wrong type (or a missing required one) fails the whole document.

// The running state of a current server ("api/poll", inside the payload).
struct RuntimeData {
    struct Timer {
        // Remaining milliseconds, negative in overtime.
        std::optional<double> current;
        std::optional<QString> playback;
        std::optional<double> duration;
        // Time added to (or, negative, taken from) the running event, in milliseconds.
        std::optional<double> addedTime;
        // Running time since the start, pauses left out; what a count-up event shows.
        std::optional<double> elapsed;
        // The server's own verdict on the timer: "default", "warning", "danger", "overtime",
        // "pending" or "none".
        std::optional<QString> phase;
        // When the running event ends, in milliseconds since the server's midnight.
        std::optional<double> expectedFinish;
    };

    struct Event {
        std::optional<QString> title;
        std::optional<double> timeWarning;
        std::optional<double> timeDanger;
        // "count-down", "count-up", "clock", "none"; "time-to-end" from 3.5 servers.
        std::optional<QString> timerType;
        // The count-down runs to the event's scheduled end rather than over its duration.
        std::optional<bool> countToEnd;
    };

    // One of the server's free-running auxiliary timers.
    struct AuxTimer {
        // Milliseconds; may fall below zero.
        std::optional<double> current;
        // "start", "pause" or "stop".
        std::optional<QString> playback;
        // "count-down" or "count-up".
        std::optional<QString> direction;
    };

    struct Message {
        struct TimerMessage {
            std::optional<QString> text;
            std::optional<bool> visible;
            std::optional<bool> blink;
            std::optional<QString> secondarySource;
            // Timer screens are to show nothing; the timer runs on underneath.
            std::optional<bool> blackout;
        };
        // The external message as older servers send it; servers from 3.6 to 3.16 send a
        // bare text instead, shown when the timer message's secondarySource is "external".
        struct External {
            std::optional<QString> text;
            std::optional<bool> visible;
        };

        std::optional<TimerMessage> timer;
        std::optional<QString> secondary;
        std::optional<std::variant<External, QString>> external;
    };

    std::optional<double> clock;
    std::optional<Timer> timer;
    std::optional<Event> eventNow;
    std::optional<Message> message;
    // "auxtimer1" to "auxtimer3"; servers before 4 have only the first.
    std::array<std::optional<AuxTimer>, 3> auxTimers;

    static std::optional<RuntimeData> fromObject(const QJsonObject& object);
};

// "api/poll" of a current server.
struct PollResponse {
    RuntimeData payload;

    static std::optional<PollResponse> decode(const QByteArray& body);
};

// "api/version" of a current server.
struct VersionResponse {
    QString payload;

    static std::optional<VersionResponse> decode(const QByteArray& body);
};

// "ontime/info" of a legacy server; only its successful decoding matters.
struct LegacyInfo {
    qint64 serverPort = 0;

    static std::optional<LegacyInfo> decode(const QByteArray& body);
};

// "ontime/poll" of a legacy server, without an envelope.
struct LegacyPoll {
    // Remaining seconds.
    std::optional<double> running;
    std::optional<QString> playback;

    static std::optional<LegacyPoll> decode(const QByteArray& body);
};
