#include "settings/SettingsNotifier.h"

#include "settings/SettingsStore.h"

#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcSettings, "kalvane.settings", QtWarningMsg)

SettingsNotifier& SettingsNotifier::instance() {
    static SettingsNotifier* notifier = new SettingsNotifier;
    return *notifier;
}

void SettingsNotifier::setSaveFailed(bool failed, const QString& file) {
    if (failed == m_saveFailed)
        return;
    m_saveFailed = failed;
    m_failedFile = failed ? file : QString();
    if (failed)
        qCWarning(lcSettings).noquote()
            << QStringLiteral("Settings could not be saved to %1").arg(file);
    Q_EMIT saveFailedChanged();
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
    else if (is(SettingsKey::talkLengthMinutes))
        Q_EMIT talkLengthChanged();
}
