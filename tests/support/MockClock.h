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
    // Moves with the wall clock here; tests that step the wall clock alone use jumpWallClock.
    qint64 monotonicMs() const override { return m_now - m_wallJump; }
    void jumpWallClock(qint64 ms) {
        m_now += ms;
        m_wallJump += ms;
    }
    void advance(qint64 ms) { m_now += ms; }
    void set(qint64 ms) { m_now = ms; }

private:
    qint64 m_now;
    qint64 m_wallJump = 0;
};
