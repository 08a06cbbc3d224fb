#include "settings/SettingsNotifier.h"

#include "settings/SettingsStore.h"

SettingsNotifier& SettingsNotifier::instance() {
    static SettingsNotifier* notifier = new SettingsNotifier;
    return *notifier;
}

void SettingsNotifier::announce(const QString& key) {
    Q_EMIT changed(key);
    const auto is = [&key](const char* name) { return key == QLatin1String(name); };
    if (is(SettingsKey::showCaption) || is(SettingsKey::showMessages) || is(SettingsKey::showBar) ||
        is(SettingsKey::overlayOpacity))
        Q_EMIT cardChanged();
    else if (is(SettingsKey::autoShow))
        Q_EMIT autoShowChanged();
    else if (is(SettingsKey::showInSharing))
        Q_EMIT sharingChanged();
    else if (is(SettingsKey::appLanguage))
        Q_EMIT languageChanged();
    else if (is(SettingsKey::ontimeEnabled))
        Q_EMIT ontimeEnabledChanged();
    else if (is(SettingsKey::ontimePort))
        Q_EMIT ontimePortChanged();
    else if (is(SettingsKey::stagetimerEnabled))
        Q_EMIT stagetimerEnabledChanged();
}
