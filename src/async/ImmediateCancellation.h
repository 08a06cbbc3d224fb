#pragma once

namespace async {

// While one of these lives on a thread, a cancellation made on that thread resumes the
// coroutines it reaches at once, on this thread, instead of on a later turn of the event
// loop. Owners of tasks use it in their destructors: when the process is ending, that later
// turn never comes, and every coroutine frame still suspended then would be lost.
//
// The tasks must not touch their owner once they see their token cancelled (they already
// must not: the owner may be gone by then).
class ImmediateCancellation {
public:
    ImmediateCancellation();
    ~ImmediateCancellation();

    ImmediateCancellation(const ImmediateCancellation&) = delete;
    ImmediateCancellation& operator=(const ImmediateCancellation&) = delete;

    // Whether one lives on the calling thread.
    static bool active();
};

} // namespace async
