// What the presentation query prints: the position on success, the error text on failure.
#include "FuzzInput.h"

#include "powerpoint/PowerPoint.h"
#include "powerpoint/ProcessPowerPointQuery.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QString text = fuzz::text(data, size);
    PowerPoint::parsePosition(text);
    ProcessPowerPointQuery::errorNumber(text);
    return 0;
}
