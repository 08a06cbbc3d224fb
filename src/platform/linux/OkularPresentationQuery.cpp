#include "platform/linux/OkularPresentationQuery.h"

#include "platform/linux/DBusCall.h"
#include "powerpoint/PowerPoint.h"

OkularPresentationQuery::OkularPresentationQuery(QDBusConnection bus,
                                                 WindowProbe presentationWindow)
    : m_bus(std::move(bus))
    , m_presentationWindow(std::move(presentationWindow)) {}

ScriptResult OkularPresentationQuery::run() {
    const ScriptResult none{-1, 0, QString(), true};
    const std::optional<QStringList> names = DBusCall::names(m_bus);
    if (!names)
        return none;
    QStringList instances;
    for (const QString& name : *names)
        if (name.startsWith(servicePrefix))
            instances << name;
    if (instances.isEmpty())
        return none;
    instances.sort();

    ScriptResult open{-1, 0, PresentationProgram::okular, true};
    for (const QString& service : instances) {
        bool ok = false;
        const qint64 pid = service.mid(servicePrefix.size()).toLongLong(&ok);
        if (!ok || !m_presentationWindow || !m_presentationWindow(pid))
            continue;
        const DBusCall::Reply reply =
            DBusCall::call(m_bus, service, QStringLiteral("/okular"),
                           QStringLiteral("org.kde.okular"), QStringLiteral("currentPage"));
        if (reply.outcome == DBusCall::Outcome::answered) {
            const int page = reply.first().toInt(&ok);
            if (ok && page >= 0)
                return {page, 0, PresentationProgram::okular, true};
        } else if (reply.outcome == DBusCall::Outcome::timedOut) {
            return {std::nullopt, PowerPoint::errorTimedOut, PresentationProgram::okular, true};
        }
        // Gone while asked: this instance quit; look at the others.
    }
    return open;
}
