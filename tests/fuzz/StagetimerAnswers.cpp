// Every answer a Stagetimer room gives us: the envelope with each payload, read with any
// status code the way the client reads it.
#include "FuzzInput.h"

#include "stagetimer/StagetimerWire.h"

#include <iterator>

using namespace stagetimer;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1)
        return 0;
    // The first byte picks the status code, so that every branch of the reading is reached.
    static constexpr int statuses[] = {200, 204, 301, 401, 403, 404, 429, 500, 503, 0};
    async::HttpResponse response;
    response.received = true;
    response.status = statuses[data[0] % std::size(statuses)];
    response.body = fuzz::bytes(data + 1, size - 1);

    const Result<STStatus> status = interpret<STStatus>(response);
    if (status.ok()) {
        plausibleInstant(status.payload->finish);
        plausibleInstant(status.payload->server_time);
        if (status.payload->timer_id)
            timerQuery(*status.payload->timer_id);
    }
    const Result<STMessages> messages = interpret<STMessages>(response);
    if (messages.ok())
        showingMessage(*messages.payload);
    interpret<STTimer>(response);
    return 0;
}
