#pragma once

#include "async/CancelToken.h"

#include <QCoroTask>

#include <chrono>

namespace async {

// Waits for `duration` in the calling thread's event loop. Answers true when the time has
// passed and false when the token was cancelled before or during the wait; a cancelled wait
// ends promptly, on a later turn of the event loop, never inside cancel() itself.
QCoro::Task<bool> sleep(std::chrono::milliseconds duration, CancelToken token);

} // namespace async
