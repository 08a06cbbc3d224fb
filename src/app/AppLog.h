#pragma once

#include <QLoggingCategory>

// The controller's decisions: which source starts or stops, what the chooser does with a
// search's finds, the login item. Off by default; QT_LOGGING_RULES="kalvane.app.debug=true".
Q_DECLARE_LOGGING_CATEGORY(lcApp)
