#pragma once

#include "platform/LoginItemStatus.h"
#include "powerpoint/PresentationQueries.h"

#include <QString>

#include <memory>

class PowerPointQuery;

// What the operating system offers beyond Qt, for the parts of the program that need no
// windows: other applications, the presentation query, the automation privacy settings, and
// whether this copy is installed. One implementation per platform is chosen by the build;
// tests install a fake.
class Platform {
public:
    virtual ~Platform() = default;

    // The installed implementation; the native one unless a test installed another.
    static Platform& instance();
    // Installs `platform` for the whole process (nullptr restores the native one). The caller
    // keeps ownership.
    static void setInstance(Platform* platform);

    // Whether at least one application with this bundle identifier is running. Cheap: the
    // controller asks four times a second.
    virtual bool isApplicationRunning(const QString& bundleIdentifier) const = 0;
    // Brings the first running application with this identifier to the front; false when
    // none runs or the platform cannot do it.
    virtual bool activateApplication(const QString& bundleIdentifier) = 0;

    // A new query of the running slide show, used on the watcher's own thread only.
    virtual std::unique_ptr<PowerPointQuery> createPowerPointQuery() = 0;
    // Whether the watcher may send its query now. A query that addresses PowerPoint would
    // launch it, so by default it is sent only while PowerPoint runs; platforms whose query
    // looks for the programs itself without starting any allow it always.
    virtual bool presentationQueryAllowed() const;
    // The two above as the watcher takes them, each time through the platform installed then.
    static PresentationQueries presentationQueries();
    // Whether the query also watches presentation programs other than PowerPoint, so that
    // the status line names no single program while none is open.
    virtual bool watchesOtherPresentationPrograms() const { return false; }
    // Whether the system asks the user before one program may control another, so that there
    // are settings to open for it (only macOS does).
    virtual bool hasAutomationSettings() const { return false; }
    // Opens the system settings where the user allows this program to control PowerPoint.
    virtual void openAutomationSettings() = 0;

    // Whether this copy runs from where installed applications live.
    virtual bool isInstalledCopy() const = 0;

    // Start at login. Whether the system starts this program when the user logs in
    // (registered and enabled), read afresh on every call.
    virtual bool loginItemEnabled() const;
    // The same with the state between: registered, but waiting for the user's approval in
    // the system settings. By default on or off as loginItemEnabled() says.
    virtual LoginItemStatus loginItemStatus() const;
    // Registers or unregisters the program as a login item. False, with a description of
    // the failure in `error`, when the system refused or the platform has no login items; a
    // registration that waits for approval counts as done.
    virtual bool setLoginItemEnabled(bool enabled, QString* error);
    // Opens the system settings where the user approves login items (where there are any).
    virtual void openLoginItemSettings() {}
};

// The platform implementation this build was made for.
std::unique_ptr<Platform> createNativePlatform();
