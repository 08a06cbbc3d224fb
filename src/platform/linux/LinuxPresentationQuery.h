#pragma once

#include "powerpoint/PowerPointQuery.h"

#include <memory>
#include <vector>

class QDBusConnection;

// Asks the presentation programs of a Linux desktop in a fixed order and answers for the
// first that presents: LibreOffice Impress, then Okular, then pdfpc. Without a show it names
// the first that is open. A program that presented at the last run and is now only slow to
// answer keeps its show (its timeout is passed on and changes nothing); a program that left
// the bus counts as no show.
class LinuxPresentationQuery final : public PowerPointQuery {
public:
    explicit LinuxPresentationQuery(std::vector<std::unique_ptr<PowerPointQuery>> queries);

    // The three programs on `session` (the user's session bus when not given); Okular's
    // presentation window is looked for on the X11 display.
    static std::unique_ptr<LinuxPresentationQuery> create(const QDBusConnection& session);
    static std::unique_ptr<LinuxPresentationQuery> create();

    ScriptResult run() override;
    void setChangeNotifier(std::function<void()> notify) override;

private:
    std::vector<std::unique_ptr<PowerPointQuery>> m_queries;
    QString m_presenting;
};
