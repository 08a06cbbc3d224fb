#include "overlay/OverlayLog.h"

Q_LOGGING_CATEGORY(lcOverlay, "kalvane.overlay", QtWarningMsg)
