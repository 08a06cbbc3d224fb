#include "platform/macos/MacPlatform.h"

#include "platform/macos/AppleScriptPowerPointQuery.h"

#import <AppKit/AppKit.h>

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
    return std::make_unique<AppleScriptPowerPointQuery>();
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

std::unique_ptr<Platform> createNativePlatform() {
    return std::make_unique<MacPlatform>();
}
