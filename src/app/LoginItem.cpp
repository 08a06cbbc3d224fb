#include "app/LoginItem.h"

#include "app/AppLog.h"
#include "platform/Platform.h"
#include "settings/SettingsStore.h"

void LoginItem::setEnabled(bool enabled) {
    QString error;
    if (!Platform::instance().setLoginItemEnabled(enabled, &error))
        qCWarning(lcApp).noquote() << QStringLiteral("Login item: ") + error;
    else
        qCDebug(lcApp) << "login item" << (enabled ? "registered" : "unregistered");
    m_settings.setBool(SettingsKey::launchAtLogin, enabled);
}

LoginItemStatus LoginItem::status() const {
    return Platform::instance().loginItemStatus();
}

void LoginItem::openSystemSettings() {
    Platform::instance().openLoginItemSettings();
}

void LoginItem::registerOnFirstLaunch() {
    // Once the user's wish is stored, it is theirs; a copy run from elsewhere (a download,
    // the build folder) asks again at its next launch.
    if (m_settings.hasLaunchAtLogin())
        return;
    if (Platform::instance().isInstalledCopy())
        setEnabled(true);
}
