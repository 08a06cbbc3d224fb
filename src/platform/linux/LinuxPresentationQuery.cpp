#include "platform/linux/LinuxPresentationQuery.h"

#include "platform/linux/ImpressPresentationQuery.h"
#include "platform/linux/OkularPresentationQuery.h"
#include "platform/linux/PdfpcPresentationQuery.h"
#include "platform/linux/PresentationWindows.h"

#include <QDBusConnection>

LinuxPresentationQuery::LinuxPresentationQuery(
    std::vector<std::unique_ptr<PowerPointQuery>> queries)
    : m_queries(std::move(queries)) {}

std::unique_ptr<LinuxPresentationQuery>
LinuxPresentationQuery::create(const QDBusConnection& session) {
    // The display connection is opened on first use, on the watcher's thread that uses it.
    auto windows = std::make_shared<std::unique_ptr<X11Windows>>();
    auto okularWindow = [windows](qint64 pid) {
        if (!*windows)
            *windows = std::make_unique<X11Windows>();
        for (const TopLevelWindow& window : (*windows)->list())
            if (window.pid == pid &&
                PresentationWindows::showProgram(window) == PresentationProgram::okular)
                return true;
        return false;
    };
    std::vector<std::unique_ptr<PowerPointQuery>> queries;
    queries.push_back(std::make_unique<ImpressPresentationQuery>(session));
    queries.push_back(std::make_unique<OkularPresentationQuery>(session, okularWindow));
    queries.push_back(std::make_unique<PdfpcPresentationQuery>(session));
    return std::make_unique<LinuxPresentationQuery>(std::move(queries));
}

std::unique_ptr<LinuxPresentationQuery> LinuxPresentationQuery::create() {
    return create(QDBusConnection::sessionBus());
}

ScriptResult LinuxPresentationQuery::run() {
    ScriptResult firstOpen{-1, 0, QString(), true};
    for (const std::unique_ptr<PowerPointQuery>& query : m_queries) {
        const ScriptResult result = query->run();
        if (result.position && *result.position >= 0) {
            m_presenting = result.program;
            return result;
        }
        if (!result.position) {
            if (!m_presenting.isEmpty() && result.program == m_presenting)
                return result;
            continue;
        }
        if (firstOpen.program.isEmpty())
            firstOpen = result;
    }
    m_presenting.clear();
    return firstOpen;
}

void LinuxPresentationQuery::setChangeNotifier(std::function<void()> notify) {
    for (const std::unique_ptr<PowerPointQuery>& query : m_queries)
        query->setChangeNotifier(notify);
}
