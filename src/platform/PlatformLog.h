#pragma once

#include <QLoggingCategory>

// What the operating system was asked and answered beyond Qt. Off by default;
// QT_LOGGING_RULES="kalvane.platform.debug=true".
Q_DECLARE_LOGGING_CATEGORY(lcPlatform)
