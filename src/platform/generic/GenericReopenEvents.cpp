#include "platform/ReopenEvents.h"

// Without a system request to open a running app again, a second start is the only way, and
// the single-instance socket hears it.
ReopenEvents* ReopenEvents::create(QObject* parent) {
    return new ReopenEvents(parent);
}
