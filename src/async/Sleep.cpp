#include "async/Sleep.h"

#include "async/Suspension.h"

#include <QTimer>

namespace async {
namespace {

struct SleepState : detail::Suspension {
    using Suspension::Suspension;
    bool elapsed = false;
};

class SleepAwaiter {
public:
    SleepAwaiter(std::chrono::milliseconds duration, CancelToken token)
        : m_duration(duration)
        , m_token(std::move(token)) {}

    bool await_ready() const { return m_token.isCancelled(); }

    void await_suspend(std::coroutine_handle<> handle) {
        m_state = std::make_shared<SleepState>(handle);
        std::weak_ptr<SleepState> weak = m_state;

        auto* timer = new QTimer(m_state->context());
        timer->setSingleShot(true);
        timer->setTimerType(Qt::PreciseTimer);
        QObject::connect(timer, &QTimer::timeout, m_state->context(), [weak] {
            if (auto state = weak.lock()) {
                state->elapsed = true;
                state->resume();
            }
        });
        timer->start(std::max(m_duration, std::chrono::milliseconds(0)));

        m_callback = m_token.onCancel([weak] {
            if (auto state = weak.lock())
                state->post([](detail::Suspension& s) { s.resume(); });
        });
    }

    bool await_resume() {
        if (!m_state)
            return false;
        m_token.removeCallback(m_callback);
        return m_state->elapsed;
    }

private:
    std::chrono::milliseconds m_duration;
    CancelToken m_token;
    std::shared_ptr<SleepState> m_state;
    quint64 m_callback = 0;
};

} // namespace

QCoro::Task<bool> sleep(std::chrono::milliseconds duration, CancelToken token) {
    // A named awaiter: g++ 12 destroys temporaries of a co_await expression twice.
    SleepAwaiter awaiter(duration, std::move(token));
    co_return co_await awaiter;
}

} // namespace async
