#pragma once

#include <QLoggingCategory>

// kalvane.discovery: switched on with QT_LOGGING_RULES="kalvane.discovery.debug=true".
Q_DECLARE_LOGGING_CATEGORY(lcDiscovery)
