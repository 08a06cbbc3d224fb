#pragma once

#include <QLoggingCategory>

// The timer window: how its card is drawn and shaped.
Q_DECLARE_LOGGING_CATEGORY(lcOverlay)
