#include "powerpoint/PresentationLog.h"

Q_LOGGING_CATEGORY(lcPresentation, "kalvane.presentation", QtWarningMsg)
