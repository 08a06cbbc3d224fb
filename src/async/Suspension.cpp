#include "async/Suspension.h"

#include "async/ImmediateCancellation.h"

#include <QMetaObject>
#include <QThread>

namespace async::detail {

Suspension::Suspension(std::coroutine_handle<> handle)
    : m_handle(handle)
    , m_context(new QObject) {}

Suspension::~Suspension() {
    // The last owner may go away inside a slot of the context's own timer or reply, or on
    // another thread; a deferred delete is safe in both cases.
    if (m_context)
        m_context->deleteLater();
}

void Suspension::resume() {
    if (m_done)
        return;
    m_done = true;
    m_handle.resume();
}

void Suspension::post(std::function<void(Suspension&)> work) {
    if (ImmediateCancellation::active() && m_context &&
        m_context->thread() == QThread::currentThread()) {
        // The owner is going away: the event loop may never turn again.
        const std::shared_ptr<Suspension> self = shared_from_this();
        if (!self->isDone())
            work(*self);
        return;
    }
    std::weak_ptr<Suspension> weak = weak_from_this();
    QMetaObject::invokeMethod(
        m_context.data(),
        [weak, work = std::move(work)] {
            if (auto self = weak.lock(); self && !self->isDone())
                work(*self);
        },
        Qt::QueuedConnection);
}

} // namespace async::detail
