#pragma once

#include "async/Clock.h"

// A clock that moves only when the test moves it; installs itself while it lives.
class MockClock final : public async::Clock {
public:
    explicit MockClock(qint64 startMs = 1'700'000'000'000)
        : m_now(startMs) {
        Clock::setInstance(this);
    }
    ~MockClock() override { Clock::setInstance(nullptr); }

    qint64 nowMs() const override { return m_now; }
    void advance(qint64 ms) { m_now += ms; }
    void set(qint64 ms) { m_now = ms; }

private:
    qint64 m_now;
};
