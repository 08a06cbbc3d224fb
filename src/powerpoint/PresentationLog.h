#pragma once

#include <QLoggingCategory>

// The watcher's events: a show starting, changing slide and ending, and the permission to
// ask. Off by default; QT_LOGGING_RULES="kalvane.presentation.debug=true".
Q_DECLARE_LOGGING_CATEGORY(lcPresentation)
