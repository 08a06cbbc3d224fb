#pragma once

#include <QtGlobal>

#include <functional>
#include <memory>

namespace async {

// Cooperative cancellation flag shared by a task and whoever may stop it. Copies share one
// state. Cancelling runs the registered callbacks once, on the cancelling thread; callbacks
// must only post work to their own thread (see Sleep and HttpSession), never block.
class CancelToken {
public:
    CancelToken();

    bool isCancelled() const;
    void cancel() const;

    // Registers a callback for the moment of cancellation; runs it at once when the token is
    // already cancelled. The returned id removes it again.
    quint64 onCancel(std::function<void()> callback) const;
    void removeCallback(quint64 id) const;

    friend bool operator==(const CancelToken& a, const CancelToken& b) { return a.d == b.d; }

private:
    struct State;
    std::shared_ptr<State> d;
};

} // namespace async
