#pragma once

#include <QObject>
#include <QPointer>

#include <coroutine>
#include <functional>
#include <memory>

namespace async::detail {

// One suspended coroutine waiting for the first of several events (a timer, a reply, a
// cancellation). It lives in the coroutine's thread; every event reaches it there, either
// directly (signals of objects in that thread) or through post(). The coroutine is resumed
// exactly once. Always hold it through a shared_ptr while calling resume(): the coroutine may
// destroy its awaiter, and with it the last owner, before resume() returns.
class Suspension : public std::enable_shared_from_this<Suspension> {
public:
    explicit Suspension(std::coroutine_handle<> handle);
    virtual ~Suspension();

    Suspension(const Suspension&) = delete;
    Suspension& operator=(const Suspension&) = delete;

    // An object in the coroutine's thread, parent for timers and receiver of queued calls.
    QObject* context() const { return m_context; }
    bool isDone() const { return m_done; }

    // Marks the wait as over and resumes the coroutine; later calls do nothing.
    void resume();

    // Runs `work` later in the coroutine's thread, unless this suspension is gone by then;
    // at once when called in that thread under an ImmediateCancellation. Safe to call from
    // any thread.
    void post(std::function<void(Suspension&)> work);

private:
    std::coroutine_handle<> m_handle;
    QPointer<QObject> m_context;
    bool m_done = false;
};

} // namespace async::detail
