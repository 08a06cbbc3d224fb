#include "platform/macos/AppleScriptPowerPointQuery.h"

#include "powerpoint/PowerPoint.h"

#import <Foundation/Foundation.h>

struct AppleScriptPowerPointQuery::Script {
    NSAppleScript* script = nil;
};

AppleScriptPowerPointQuery::AppleScriptPowerPointQuery()
    : m_script(std::make_unique<Script>()) {}

AppleScriptPowerPointQuery::~AppleScriptPowerPointQuery() = default;

ScriptResult AppleScriptPowerPointQuery::run() {
    @autoreleasepool {
        if (m_script->script == nil) {
            m_script->script =
                [[NSAppleScript alloc] initWithSource:PowerPoint::scriptSource().toNSString()];
            if (m_script->script == nil)
                return {std::nullopt, -1};
            // A script that does not compile fails again when executed and reports it there.
            NSDictionary* compileError = nil;
            [m_script->script compileAndReturnError:&compileError];
        }

        NSDictionary* errorInfo = nil;
        NSAppleEventDescriptor* result = [m_script->script executeAndReturnError:&errorInfo];
        if (result != nil) {
            NSString* text = result.stringValue ?: @"";
            return {PowerPoint::parsePosition(QString::fromNSString(text)), 0};
        }
        id number = errorInfo[NSAppleScriptErrorNumber];
        if ([number isKindOfClass:[NSNumber class]])
            return {std::nullopt, [number intValue]};
        return {std::nullopt, -1};
    }
}
