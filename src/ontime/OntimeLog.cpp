#include "ontime/OntimeLog.h"

// Debug lines stay off unless asked for.
Q_LOGGING_CATEGORY(lcOntime, "kalvane.ontime", QtWarningMsg)
