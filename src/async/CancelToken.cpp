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
    // Callbacks run under the lock: a waiter that removes its callback before tearing down
    // its context object therefore never races with a callback that posts to it.
    std::lock_guard lock(d->mutex);
    if (d->cancelled)
        return;
    d->cancelled = true;
    for (auto& [id, callback] : d->callbacks)
        callback();
    d->callbacks.clear();
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
