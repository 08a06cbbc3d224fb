#pragma once

#include <QString>
#include <QVariant>

#include <memory>
#include <optional>

class QSettings;

// The keys of the one per-user settings store.
namespace SettingsKey {
inline constexpr auto timerSource = "timerSource";
inline constexpr auto ontimeEnabled = "ontimeEnabled";
inline constexpr auto ontimeHost = "ontimeHost";
inline constexpr auto ontimePort = "ontimePort";
inline constexpr auto stagetimerEnabled = "stagetimerEnabled";
inline constexpr auto stagetimerRoom = "stagetimerRoom";
inline constexpr auto stagetimerKey = "stagetimerKey";
inline constexpr auto stagetimerServer = "stagetimerServer";
inline constexpr auto autoShow = "autoShow";
inline constexpr auto showCaption = "showCaption";
inline constexpr auto showMessages = "showMessages";
inline constexpr auto showBar = "showBar";
inline constexpr auto overlayOpacity = "overlayOpacity";
inline constexpr auto showInSharing = "showInSharing";
inline constexpr auto appLanguage = "appLanguage";
inline constexpr auto launchAtLogin = "launchAtLogin";
inline constexpr auto talkLengthMinutes = "talkLengthMinutes";
// The timer window's saved frame.
inline constexpr auto overlayFrame = "Kalvane";
} // namespace SettingsKey

// The defaults the readers apply when a key is missing or unusable.
namespace SettingsDefault {
inline constexpr qint64 ontimePort = 4001;
inline constexpr double overlayOpacity = 0.85;
} // namespace SettingsDefault

// The range a stored value must lie in to be used.
namespace SettingsLimit {
// A talk length beyond a long workshop day is a typing error, not a slot.
inline constexpr qint64 maxTalkLengthMinutes = 600;
} // namespace SettingsLimit

// Typed access to the settings store. Every instance opens the same process-wide location,
// and every read goes to the store afresh, so a value written through one instance is seen by
// the next read through any other. Cheap to create; create one where it is needed.
class SettingsStore {
public:
    // The process-wide store: the user's settings file unless a location was set.
    SettingsStore();
    // A store in the given INI file; used by tests and by commands that must not touch the
    // user's settings.
    explicit SettingsStore(const QString& iniFile);
    ~SettingsStore();

    SettingsStore(const SettingsStore&) = delete;
    SettingsStore& operator=(const SettingsStore&) = delete;

    // Redirects every later default-constructed store to `iniFile`; an empty text returns to
    // the user's settings. Call before any component reads settings.
    static void setLocation(const QString& iniFile);
    static QString location();
    // Makes every store read `value` under `key` for the rest of this process, without saving
    // it, until the key is written through any store: the command line's say for one run, which
    // the user's own later choice replaces. An invalid value removes the stand-in.
    static void setForThisRun(const char* key, const QVariant& value);

    // Plain typed reads: false, 0, 0.0 or no value when the key is missing.
    bool contains(const char* key) const;
    bool boolValue(const char* key) const;
    qint64 intValue(const char* key) const;
    double doubleValue(const char* key) const;
    std::optional<QString> stringValue(const char* key) const;
    QVariant value(const char* key) const;

    void setBool(const char* key, bool value);
    void setInt(const char* key, qint64 value);
    void setDouble(const char* key, double value);
    void setString(const char* key, const QString& value);
    void setValue(const char* key, const QVariant& value);

    // The keys with their defaults as applied.
    std::optional<QString> timerSource() const { return stringValue(SettingsKey::timerSource); }
    bool isInternalSource() const;
    bool isStagetimerSource() const;
    bool ontimeEnabled() const { return boolValue(SettingsKey::ontimeEnabled); }
    std::optional<QString> ontimeHost() const { return stringValue(SettingsKey::ontimeHost); }
    // The Ontime port as its readers use it: 4001 when missing, below 1 or above 65535.
    qint64 ontimePort() const;
    bool stagetimerEnabled() const { return boolValue(SettingsKey::stagetimerEnabled); }
    QString stagetimerRoom() const;
    QString stagetimerKey() const;
    QString stagetimerServer() const;
    // True when missing or when the stored value is not a boolean.
    bool autoShow() const;
    bool showCaption() const { return boolOr(SettingsKey::showCaption, true); }
    bool showMessages() const { return boolOr(SettingsKey::showMessages, true); }
    bool showBar() const { return boolOr(SettingsKey::showBar, true); }
    double overlayOpacity() const;
    bool showInSharing() const { return boolOr(SettingsKey::showInSharing, false); }
    QString appLanguage() const;
    bool hasLaunchAtLogin() const { return contains(SettingsKey::launchAtLogin); }
    // The speaker's slot in whole minutes; 0 (off) when missing, not a whole number or outside
    // 0…maxTalkLengthMinutes.
    qint64 talkLengthMinutes() const;
    void setTalkLengthMinutes(qint64 minutes) { setInt(SettingsKey::talkLengthMinutes, minutes); }

    void sync();
    // The file behind the store.
    QString fileName() const;
    // Keeps the store's folder and file to the user alone: the file holds the Stagetimer API
    // key. Only takes the group's and others' permissions away; a file or folder the user made
    // read-only stays read-only. Rewrites of the file keep the permissions it has. False when
    // they cannot be set.
    bool restrictToUser() const;

private:
    bool boolOr(const char* key, bool fallback) const;

    std::unique_ptr<QSettings> m_settings;
};

// The boolean a stored value stands for, or nothing when it is not a boolean. INI files keep
// booleans as the words true and false.
std::optional<bool> storedBoolean(const QVariant& value);
