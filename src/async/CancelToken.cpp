#include "async/CancelToken.h"

#include <map>
#include <mutex>

namespace async {

struct CancelToken::State {
    std::mutex mutex;
    bool cancelled = false;
    quint64 nextId = 1;
    std::map<quint64, std::function<void()>> callbacks;
};

CancelToken::CancelToken()
    : d(std::make_shared<State>()) {}

bool CancelToken::isCancelled() const {
    std::lock_guard lock(d->mutex);
    return d->cancelled;
}

void CancelToken::cancel() const {
    std::map<quint64, std::function<void()>> callbacks;
    {
        std::lock_guard lock(d->mutex);
        if (d->cancelled)
            return;
        d->cancelled = true;
        callbacks.swap(d->callbacks);
    }
    // Outside the lock, so that a callback may resume a waiter at once (see
    // ImmediateCancellation) and the waiter may remove its callback. Callbacks hold their
    // waiter only weakly and check that it still waits, so one that runs after its waiter
    // has gone on does nothing.
    for (auto& [id, callback] : callbacks)
        callback();
}

quint64 CancelToken::onCancel(std::function<void()> callback) const {
    std::lock_guard lock(d->mutex);
    if (d->cancelled) {
        callback();
        return 0;
    }
    const quint64 id = d->nextId++;
    d->callbacks.emplace(id, std::move(callback));
    return id;
}

void CancelToken::removeCallback(quint64 id) const {
    std::lock_guard lock(d->mutex);
    d->callbacks.erase(id);
}

} // namespace async
