#pragma once

#include <QObject>
#include <QString>

// Tells in-process observers that a key was written through any SettingsStore, so that the
// views bound to a setting (the timer card's display switches, the windows' controls) follow
// at once. Besides the key itself it announces the groups its observers care about, so that
// none of them has to compare key names.
class SettingsNotifier final : public QObject {
    Q_OBJECT
public:
    static SettingsNotifier& instance();

    // Emits changed() and the group signal of `key`.
    void announce(const QString& key);

    // Whether the last write of a setting could not be saved to its file.
    bool saveFailed() const { return m_saveFailed; }
    QString failedFile() const { return m_failedFile; }
    void setSaveFailed(bool failed, const QString& file);

Q_SIGNALS:
    // Every write, with its key.
    void changed(const QString& key);
    // What the timer card draws: caption, messages, bar and background opacity.
    void cardChanged();
    void autoShowChanged();
    void sharingChanged();
    void languageChanged();
    void ontimeEnabledChanged();
    void ontimePortChanged();
    void stagetimerEnabledChanged();
    // The speaker's slot, which the menu and the settings window both set.
    void talkLengthChanged();
    void saveFailedChanged();

private:
    SettingsNotifier() = default;

    bool m_saveFailed = false;
    QString m_failedFile;
};
