#include "discovery/DiscoveryLog.h"

// Debug lines stay off unless asked for.
Q_LOGGING_CATEGORY(lcDiscovery, "kalvane.discovery", QtWarningMsg)
