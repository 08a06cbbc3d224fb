#pragma once

#include "platform/LoginItemStatus.h"

// What the configuration windows and the tray menu ask of the application controller. The
// controller implements it; window tests use a fake, so the windows never need the whole
// application.
class WindowCommands {
public:
    virtual ~WindowCommands() = default;

    virtual void toggleOverlay() = 0;
    virtual void resetOverlayFrame() = 0;
    virtual void showSettings() = 0;
    virtual void showOntimeSetup() = 0;
    virtual void showStagetimerSetup() = 0;
    virtual void searchTimers() = 0;
    // Registers or unregisters the login item and stores the wish.
    virtual void setLaunchAtLogin(bool enabled) = 0;
    // Whether the system starts the app at login now, or will once the user approves it.
    virtual LoginItemStatus launchAtLoginStatus() const = 0;
    // Opens the system settings where the user approves the login item.
    virtual void openLoginItemSettings() = 0;
    // Opens the system settings where the user allows the presentation query.
    virtual void openAutomationSettings() = 0;
    // Whether the system has such settings at all. Only macOS asks the user before one
    // program may query another; elsewhere there is nothing to grant.
    virtual bool canOpenAutomationSettings() const = 0;
    // Gives the keyboard back to the running slide show, if one runs; called when a
    // configuration window closes.
    virtual void returnFocusToPresentation() = 0;
};
