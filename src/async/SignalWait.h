#pragma once

#include "async/CancelToken.h"
#include "async/Suspension.h"

#include <QCoroTask>
#include <QObject>

#include <memory>

namespace async {

namespace detail {

struct SignalWaitState : Suspension {
    using Suspension::Suspension;
    bool signalled = false;
};

template <typename Sender, typename Signal>
class SignalWaitAwaiter {
public:
    SignalWaitAwaiter(const Sender* sender, Signal signal, CancelToken token)
        : m_sender(sender)
        , m_signal(signal)
        , m_token(std::move(token)) {}

    bool await_ready() const { return m_token.isCancelled(); }

    void await_suspend(std::coroutine_handle<> handle) {
        m_state = std::make_shared<SignalWaitState>(handle);
        std::weak_ptr<SignalWaitState> weak = m_state;
        // Resumed on a later turn of the event loop, never inside the emission: the waiting
        // coroutine may well destroy the sender.
        QObject::connect(m_sender, m_signal, m_state->context(), [weak] {
            if (auto state = weak.lock()) {
                state->signalled = true;
                state->post([](Suspension& s) { s.resume(); });
            }
        });
        m_callback = m_token.onCancel([weak] {
            if (auto state = weak.lock())
                state->post([](Suspension& s) { s.resume(); });
        });
    }

    bool await_resume() {
        if (!m_state)
            return false;
        m_token.removeCallback(m_callback);
        return m_state->signalled;
    }

private:
    const Sender* m_sender;
    Signal m_signal;
    CancelToken m_token;
    std::shared_ptr<SignalWaitState> m_state;
    quint64 m_callback = 0;
};

} // namespace detail

// Waits until `sender` emits `signal`, and answers true, or until the token is cancelled, and
// answers false. Either way the waiting coroutine resumes on a later turn of the event loop
// (at once under an ImmediateCancellation), so it may destroy the sender. The sender must
// outlive the wait.
template <typename Sender, typename Signal>
QCoro::Task<bool> waitForSignal(const Sender* sender, Signal signal, CancelToken token) {
    // A named awaiter: g++ 12 destroys temporaries of a co_await expression twice.
    detail::SignalWaitAwaiter<Sender, Signal> awaiter(sender, signal, std::move(token));
    co_return co_await awaiter;
}

} // namespace async
