#include "async/TaskHandle.h"

namespace async {
namespace {

// Keeps the body (and a lambda's captures) alive in this frame until the body has finished.
QCoro::Task<> runDetached(TaskHandle::Body body, CancelToken token,
                          std::shared_ptr<bool> finished) {
    auto task = body(token);
    co_await std::move(task);
    *finished = true;
}

} // namespace

TaskHandle TaskHandle::start(Body body) {
    TaskHandle handle;
    handle.m_finished = std::make_shared<bool>(false);
    runDetached(std::move(body), handle.m_token, handle.m_finished);
    return handle;
}

void TaskHandle::cancel() const {
    if (m_finished)
        m_token.cancel();
}

} // namespace async
