#pragma once

#include <QLoggingCategory>

// kalvane.ontime: switched on with QT_LOGGING_RULES="kalvane.ontime.debug=true".
Q_DECLARE_LOGGING_CATEGORY(lcOntime)
