#include "platform/TrayHostWatcher.h"

#include <QGuiApplication>
#include <QSystemTrayIcon>

namespace {

// Where the platform's own tray (the macOS menu bar, the Windows notification area) is always
// there from the start, Qt's answer is final.
class GenericTrayHostWatcher final : public TrayHostWatcher {
public:
    using TrayHostWatcher::TrayHostWatcher;
    bool isAvailable() const override { return QSystemTrayIcon::isSystemTrayAvailable(); }
};

} // namespace

TrayHostWatcher* TrayHostWatcher::create(QObject* parent) {
    return new GenericTrayHostWatcher(parent);
}

bool TrayHostWatcher::wantsTemplateIcon() {
    return QGuiApplication::platformName() == u"cocoa";
}
