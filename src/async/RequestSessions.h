#pragma once

#include "async/HttpSession.h"

#include <chrono>

namespace async {

// How long a request to a timer on the local network may go without receiving data. These are
// the defaults of the whole process; tests shorten them.
struct RequestTimeouts {
    // Probes of one host and every poll.
    std::chrono::milliseconds request{1500};
    // The network scan, which asks thousands of mostly silent addresses.
    std::chrono::milliseconds scan{800};
};
RequestTimeouts requestTimeouts();
// Takes effect with the next request of every thread.
void setRequestTimeouts(const RequestTimeouts& timeouts);

// The session for probes of one host and for polls, and the one for the network scan. An HTTP
// session belongs to one thread, so each thread gets its own, made on its first use and
// deleted with the thread (the application thread's before its event loop goes).
HttpSession& requestSession();
HttpSession& scanSession();

} // namespace async
