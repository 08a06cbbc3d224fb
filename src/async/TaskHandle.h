#pragma once

#include "async/CancelToken.h"

#include <QCoroTask>

#include <functional>
#include <memory>

namespace async {

// Handle of one detached asynchronous task: the task runs on its own, and the handle can
// cancel it and tell whether it has ended. Cancelling is cooperative: the task sees its token
// cancelled at its next check, and its pending sleeps and requests end early.
class TaskHandle {
public:
    using Body = std::function<QCoro::Task<>(CancelToken)>;

    TaskHandle() = default;

    // Starts `body` with a fresh token; the body runs until its first suspension before
    // start() returns.
    static TaskHandle start(Body body);

    bool isValid() const { return m_finished != nullptr; }
    bool isRunning() const { return m_finished && !*m_finished; }
    bool isCancelled() const { return m_finished && m_token.isCancelled(); }
    void cancel() const;
    CancelToken token() const { return m_token; }

private:
    CancelToken m_token;
    std::shared_ptr<bool> m_finished;
};

} // namespace async
