#pragma once

#include "platform/LoginItemStatus.h"

class SettingsStore;

// Start at login: the system's login item and the user's stored wish, which the two follow
// together.
class LoginItem final {
public:
    explicit LoginItem(SettingsStore& settings)
        : m_settings(settings) {}

    // Registers or unregisters the login item and stores the wish, also when the system
    // refuses (the refusal is logged).
    void setEnabled(bool enabled);
    // Whether the system starts the app at login now, or will once the user approves it.
    LoginItemStatus status() const;
    // Opens the system settings where the user approves the login item.
    void openSystemSettings();
    // Start at login, once, for an installed copy that was never told otherwise.
    void registerOnFirstLaunch();

private:
    SettingsStore& m_settings;
};
