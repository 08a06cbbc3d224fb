#pragma once

#include "powerpoint/PowerPointQuery.h"

#include <QDBusConnection>

#include <functional>

// Okular: each instance owns "org.kde.okular-<pid>" on the session bus and answers
// currentPage() (1-based) on /okular. Okular sends no signal when the page changes, so it is
// polled; a call costs well under a millisecond. Its presentation mode shows only as a window
// of its own, which `presentationWindow` looks for by the instance's process id.
class OkularPresentationQuery final : public PowerPointQuery {
public:
    using WindowProbe = std::function<bool(qint64 pid)>;

    OkularPresentationQuery(QDBusConnection bus, WindowProbe presentationWindow);

    ScriptResult run() override;

    static inline const QString servicePrefix = QStringLiteral("org.kde.okular-");

private:
    QDBusConnection m_bus;
    WindowProbe m_presentationWindow;
};
