#include "platform/linux/PresentationWindows.h"

#include "powerpoint/PresentationProgram.h"

namespace PresentationWindows {

namespace {

bool classIs(const TopLevelWindow& window, QStringView name) {
    return window.instanceName.compare(name, Qt::CaseInsensitive) == 0 ||
           window.className.compare(name, Qt::CaseInsensitive) == 0;
}

} // namespace

QString showProgram(const TopLevelWindow& window) {
    // Impress names the window of a running show after the document: "Presenting: <name>",
    // in German "Präsentieren: <name>".
    if ((classIs(window, u"soffice") || classIs(window, u"libreoffice")) &&
        (window.title.startsWith(u"Presenting: ") || window.title.startsWith(u"Präsentieren: ")))
        return PresentationProgram::impress;
    // Okular's presentation mode is a window of its own beside the main window.
    if (classIs(window, u"okular") &&
        (window.title.contains(u"Presentation") || window.title.contains(u"Präsentation")))
        return PresentationProgram::okular;
    // pdfpc presents from the moment it runs; both its windows belong to the show.
    if (classIs(window, u"pdfpc"))
        return PresentationProgram::pdfpc;
    return {};
}

const TopLevelWindow* pick(const QList<TopLevelWindow>& windows, const QString& program) {
    const QString order[] = {PresentationProgram::impress, PresentationProgram::okular,
                             PresentationProgram::pdfpc};
    for (const QString& wanted : order) {
        if (!program.isEmpty() && program != wanted)
            continue;
        const TopLevelWindow* found = nullptr;
        for (const TopLevelWindow& window : windows) {
            if (showProgram(window) != wanted)
                continue;
            if (window.fullScreen)
                return &window;
            if (!found)
                found = &window;
        }
        if (found)
            return found;
    }
    return nullptr;
}

} // namespace PresentationWindows
