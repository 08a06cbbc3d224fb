#include "platform/macos/MacPlatform.h"

#include "powerpoint/PowerPoint.h"
#include "powerpoint/ProcessPowerPointQuery.h"

#import <AppKit/AppKit.h>
#import <ServiceManagement/ServiceManagement.h>

namespace {

NSString* toNSString(const QString& text) {
    return text.toNSString();
}

} // namespace

bool MacPlatform::isApplicationRunning(const QString& bundleIdentifier) const {
    @autoreleasepool {
        NSArray<NSRunningApplication*>* apps = [NSRunningApplication
            runningApplicationsWithBundleIdentifier:toNSString(bundleIdentifier)];
        return apps.count > 0;
    }
}

bool MacPlatform::activateApplication(const QString& bundleIdentifier) {
    @autoreleasepool {
        NSArray<NSRunningApplication*>* apps = [NSRunningApplication
            runningApplicationsWithBundleIdentifier:toNSString(bundleIdentifier)];
        NSRunningApplication* app = apps.firstObject;
        if (app == nil)
            return false;
        // Passing no options: from macOS 14 "ignoring other apps" is ignored anyway, and a
        // plain activation is what the system grants to a request made on the user's behalf.
        return [app activateWithOptions:0];
    }
}

std::unique_ptr<PowerPointQuery> MacPlatform::createPowerPointQuery() {
    // NSAppleScript may run on the main thread only, where a query could block the tick while
    // PowerPoint answers. osascript runs the same script in a process of its own, so the query
    // thread only waits for it; the Apple events still come from us as far as the automation
    // permission is concerned, since the system counts osascript as our child.
    return ProcessPowerPointQuery::osascript(PowerPoint::scriptSource());
}

void MacPlatform::openAutomationSettings() {
    @autoreleasepool {
        NSURL* url = [NSURL URLWithString:@"x-apple.systempreferences:"
                                          @"com.apple.preference.security?Privacy_Automation"];
        if (url != nil)
            [[NSWorkspace sharedWorkspace] openURL:url];
    }
}

bool MacPlatform::isInstalledCopy() const {
    @autoreleasepool {
        return [[[NSBundle mainBundle] bundlePath] hasPrefix:@"/Applications"];
    }
}

bool MacPlatform::loginItemEnabled() const {
    return loginItemStatus() == LoginItemStatus::on;
}

LoginItemStatus MacPlatform::loginItemStatus() const {
    if (@available(macOS 13, *)) {
        @autoreleasepool {
            switch (SMAppService.mainAppService.status) {
            case SMAppServiceStatusEnabled:
                return LoginItemStatus::on;
            case SMAppServiceStatusRequiresApproval:
                return LoginItemStatus::awaitingApproval;
            default:
                return LoginItemStatus::off;
            }
        }
    }
    return LoginItemStatus::off;
}

bool MacPlatform::setLoginItemEnabled(bool enabled, QString* error) {
    if (@available(macOS 13, *)) {
        @autoreleasepool {
            SMAppService* service = SMAppService.mainAppService;
            // Registering twice or unregistering what is not registered fails with an error
            // that tells the user nothing: the wish is already the state. So does registering
            // what waits for approval: the registration stands, the approval is the user's.
            const SMAppServiceStatus status = service.status;
            if (enabled ? status == SMAppServiceStatusEnabled ||
                              status == SMAppServiceStatusRequiresApproval
                        : status == SMAppServiceStatusNotRegistered)
                return true;
            NSError* failure = nil;
            const BOOL done = enabled ? [service registerAndReturnError:&failure]
                                      : [service unregisterAndReturnError:&failure];
            // A registration the user has to approve first may be reported as refused.
            if (done || (enabled && service.status == SMAppServiceStatusRequiresApproval))
                return true;
            if (error)
                *error = failure ? QString::fromNSString(failure.localizedDescription)
                                 : QStringLiteral("the login item service refused");
            return false;
        }
    }
    return Platform::setLoginItemEnabled(enabled, error);
}

void MacPlatform::openLoginItemSettings() {
    if (@available(macOS 13, *))
        [SMAppService openSystemSettingsLoginItems];
}

std::unique_ptr<Platform> createNativePlatform() {
    return std::make_unique<MacPlatform>();
}
