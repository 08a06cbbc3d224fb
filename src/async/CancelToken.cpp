#include "async/CancelToken.h"

#include <map>
#include <mutex>

namespace async {

struct CancelToken::State {
    std::recursive_mutex mutex;
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
    // Callbacks run under the lock: a waiter on another thread that removes its callback
    // before tearing down its context object therefore never races with a callback that
    // posts to it, and the last reference to the waiter's state is always dropped on the
    // waiter's own thread. The lock is recursive because under ImmediateCancellation a
    // callback resumes its waiter right here, which then removes its callback or, already
    // cancelled, runs a new one at once.
    std::lock_guard lock(d->mutex);
    if (d->cancelled)
        return;
    d->cancelled = true;
    while (!d->callbacks.empty()) {
        auto callback = d->callbacks.extract(d->callbacks.begin());
        callback.mapped()();
    }
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
