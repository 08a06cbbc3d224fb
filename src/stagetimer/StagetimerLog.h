#pragma once

#include <QLoggingCategory>

// kalvane.stagetimer: switched on with QT_LOGGING_RULES="kalvane.stagetimer.debug=true".
Q_DECLARE_LOGGING_CATEGORY(lcStagetimer)
