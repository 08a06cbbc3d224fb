#pragma once

#include "ontime/OntimeModel.h"

#include <QByteArray>
#include <QList>

#include <chrono>

// Messages of Ontime's socket, generation 4 ({tag, payload}) and 3 ({type, payload}), and the
// short timings the socket tests run with.
namespace fakes {

inline QByteArray runtimeState(const char* title, double current, const char* playback = "play") {
    return QByteArray(R"({"clock":36000000,"timer":{"current":)") + QByteArray::number(current) +
           R"(,"playback":")" + playback +
           R"(","duration":600000,"expectedFinish":36600000},"eventNow":{"title":")" + title +
           R"("},"message":{"timer":{"text":"","visible":false,"blink":false}}})";
}

inline QByteArray v4(const QByteArray& tag, const QByteArray& payload) {
    return R"({"tag":")" + tag + R"(","payload":)" + payload + "}";
}

inline QByteArray v3(const QByteArray& type, const QByteArray& payload = {}) {
    return R"({"type":")" + type + '"' + (payload.isEmpty() ? "" : R"(,"payload":)" + payload) +
           "}";
}

inline QByteArray timerOf(double current) {
    return QByteArray(R"({"current":)") + QByteArray::number(current) +
           R"(,"playback":"play","duration":600000})";
}

inline QByteArray timerMessage(const char* text) {
    return QByteArray(R"({"timer":{"text":")") + text + R"(","visible":true}})";
}

inline QByteArray polled(const char* title, double current) {
    return R"({"payload":)" + runtimeState(title, current) + "}";
}

inline OntimeModel::Timing socketTiming() {
    using namespace std::chrono_literals;
    OntimeModel::Timing timing;
    timing.pollInterval = 20ms;
    timing.rescanPause = 150ms;
    timing.requestTimeout = 300ms;
    timing.scanTimeout = 300ms;
    timing.socket.handshake = 300ms;
    timing.socket.silence = 300ms;
    timing.socket.pingInterval = 100ms;
    timing.reconnectPauses = {20ms, 40ms, 80ms};
    timing.socketRetry = 60s;
    return timing;
}

} // namespace fakes
