#include "stagetimer/StagetimerLog.h"

// Debug lines stay off unless asked for.
Q_LOGGING_CATEGORY(lcStagetimer, "kalvane.stagetimer", QtWarningMsg)
