// The interface list that stands in for the system's networks (KLV_SCAN_INTERFACES), through
// the selection and the address plan of a scan.
#include "FuzzInput.h"

#include "discovery/Interfaces.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QString text = fuzz::text(data, size);
    const std::optional<QList<Discovery::InterfaceAddress>> list =
        Discovery::parseInterfaceList(text);
    if (!list)
        return 0;
    // The plan is at most a /20 per interface; a few interfaces keep each run short.
    const QList<Discovery::InterfaceEntry> entries = Discovery::selectInterfaces(*list);
    Discovery::addressPlan(entries.mid(0, 4));
    return 0;
}
