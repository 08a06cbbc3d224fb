#include "platform/ReopenEvents.h"

#include <QPointer>

#import <AppKit/AppKit.h>

// Handles the reopen Apple event, which the system sends when the user opens the running app
// again. AppKit's own handler would only ask Qt's application delegate, and Qt reports that as
// an activation, which cannot be told from any other.
@interface KalvaneReopenHandler : NSObject
- (instancetype)initWithEvents:(ReopenEvents*)events;
- (void)installNowAndAfterLaunch;
- (void)remove;
@end

@implementation KalvaneReopenHandler {
    QPointer<ReopenEvents> _events;
    id _launchObserver;
}

- (instancetype)initWithEvents:(ReopenEvents*)events {
    if ((self = [super init]))
        _events = events;
    return self;
}

- (void)install {
    [NSAppleEventManager.sharedAppleEventManager setEventHandler:self
                                                     andSelector:@selector(handleReopen:
                                                                         withReplyEvent:)
                                                   forEventClass:kCoreEventClass
                                                      andEventID:kAEReopenApplication];
}

- (void)installNowAndAfterLaunch {
    [self install];
    // AppKit has installed its own handlers for the system's events only by the time the app
    // finishes launching, and one of them may replace ours: install again once it has.
    if (NSRunningApplication.currentApplication.finishedLaunching)
        return;
    __weak KalvaneReopenHandler* weakSelf = self;
    _launchObserver = [NSNotificationCenter.defaultCenter
        addObserverForName:NSApplicationDidFinishLaunchingNotification
                    object:nil
                     queue:nil
                usingBlock:^(NSNotification* notification) {
                  (void)notification;
                  [weakSelf install];
                }];
}

- (void)remove {
    if (_launchObserver != nil)
        [NSNotificationCenter.defaultCenter removeObserver:_launchObserver];
    _launchObserver = nil;
    [NSAppleEventManager.sharedAppleEventManager
        removeEventHandlerForEventClass:kCoreEventClass
                             andEventID:kAEReopenApplication];
}

- (void)handleReopen:(NSAppleEventDescriptor*)event withReplyEvent:(NSAppleEventDescriptor*)reply {
    (void)event;
    (void)reply;
    if (ReopenEvents* events = _events.data())
        events->reopen();
}

@end

ReopenEvents* ReopenEvents::create(QObject* parent) {
    auto* events = new ReopenEvents(parent);
    KalvaneReopenHandler* handler = [[KalvaneReopenHandler alloc] initWithEvents:events];
    [handler installNowAndAfterLaunch];
    // The event manager does not keep its handler; this connection does, until the object
    // goes and takes the handler out again.
    QObject::connect(events, &QObject::destroyed, [handler] { [handler remove]; });
    return events;
}
