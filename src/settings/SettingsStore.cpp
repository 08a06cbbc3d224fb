#include "settings/SettingsStore.h"

#include "settings/SettingsNotifier.h"

#include <cmath>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QMutex>
#include <QSettings>

namespace {

QMutex locationMutex;
QString overriddenLocation;
// Values that stand in for stored ones for this run, by key.
QHash<QString, QVariant> runValues;

QString key(const char* name) {
    return QString::fromLatin1(name);
}

} // namespace

std::optional<bool> storedBoolean(const QVariant& value) {
    if (value.typeId() == QMetaType::Bool)
        return value.toBool();
    if (value.typeId() == QMetaType::QString) {
        const QString text = value.toString();
        if (text == u"true")
            return true;
        if (text == u"false")
            return false;
    }
    return std::nullopt;
}

SettingsStore::SettingsStore() {
    const QString file = location();
    if (file.isEmpty())
        m_settings =
            std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope,
                                        QStringLiteral("Tessaly"), QStringLiteral("Kalvane"));
    else
        m_settings = std::make_unique<QSettings>(file, QSettings::IniFormat);
}

SettingsStore::SettingsStore(const QString& iniFile)
    : m_settings(std::make_unique<QSettings>(iniFile, QSettings::IniFormat)) {}

SettingsStore::~SettingsStore() = default;

void SettingsStore::setLocation(const QString& iniFile) {
    QMutexLocker lock(&locationMutex);
    overriddenLocation = iniFile;
}

QString SettingsStore::location() {
    QMutexLocker lock(&locationMutex);
    return overriddenLocation;
}

void SettingsStore::setForThisRun(const char* name, const QVariant& value) {
    QMutexLocker lock(&locationMutex);
    if (value.isValid())
        runValues.insert(key(name), value);
    else
        runValues.remove(key(name));
}

namespace {

std::optional<QVariant> runValue(const QString& name) {
    QMutexLocker lock(&locationMutex);
    const auto found = runValues.constFind(name);
    return found == runValues.cend() ? std::nullopt : std::optional<QVariant>(*found);
}

} // namespace

bool SettingsStore::contains(const char* name) const {
    return runValue(key(name)) || m_settings->contains(key(name));
}

QVariant SettingsStore::value(const char* name) const {
    if (std::optional<QVariant> given = runValue(key(name)))
        return *given;
    return m_settings->value(key(name));
}

bool SettingsStore::boolValue(const char* name) const {
    return storedBoolean(value(name)).value_or(false);
}

qint64 SettingsStore::intValue(const char* name) const {
    bool ok = false;
    const qint64 number = value(name).toLongLong(&ok);
    return ok ? number : 0;
}

double SettingsStore::doubleValue(const char* name) const {
    bool ok = false;
    const double number = value(name).toDouble(&ok);
    return ok ? number : 0.0;
}

std::optional<QString> SettingsStore::stringValue(const char* name) const {
    const QVariant stored = value(name);
    if (!stored.isValid() || !stored.canConvert<QString>())
        return std::nullopt;
    return stored.toString();
}

void SettingsStore::setValue(const char* name, const QVariant& value) {
    // QSettings keeps the first error for good; a store that failed before starts afresh, so
    // that a file the user made writable again is saved again.
    if (m_settings->status() != QSettings::NoError)
        m_settings = std::make_unique<QSettings>(m_settings->fileName(), QSettings::IniFormat);
    // The user's own choice replaces what the command line gave for this run.
    setForThisRun(name, QVariant());
    m_settings->setValue(key(name), value);
    // Every control writes at once, so the file is written at once too, and a file that cannot
    // be written (read-only, on a full disk) is noticed while the user still looks.
    m_settings->sync();
    SettingsNotifier::instance().setSaveFailed(m_settings->status() != QSettings::NoError,
                                               m_settings->fileName());
    SettingsNotifier::instance().announce(key(name));
}

void SettingsStore::setBool(const char* name, bool value) {
    setValue(name, value);
}

void SettingsStore::setInt(const char* name, qint64 value) {
    setValue(name, value);
}

void SettingsStore::setDouble(const char* name, double value) {
    setValue(name, value);
}

void SettingsStore::setString(const char* name, const QString& value) {
    setValue(name, value);
}

bool SettingsStore::boolOr(const char* name, bool fallback) const {
    if (!contains(name))
        return fallback;
    return boolValue(name);
}

bool SettingsStore::isInternalSource() const {
    return timerSource() == u"internal";
}

bool SettingsStore::isStagetimerSource() const {
    return timerSource() == u"stagetimer";
}

qint64 SettingsStore::ontimePort() const {
    // A number that is no TCP port counts like text that is no number.
    const qint64 port = intValue(SettingsKey::ontimePort);
    return port < 1 || port > 65535 ? SettingsDefault::ontimePort : port;
}

QString SettingsStore::stagetimerRoom() const {
    return stringValue(SettingsKey::stagetimerRoom).value_or(QString());
}

QString SettingsStore::stagetimerKey() const {
    return stringValue(SettingsKey::stagetimerKey).value_or(QString());
}

QString SettingsStore::stagetimerServer() const {
    return stringValue(SettingsKey::stagetimerServer).value_or(QString());
}

bool SettingsStore::autoShow() const {
    return storedBoolean(value(SettingsKey::autoShow)).value_or(true);
}

double SettingsStore::overlayOpacity() const {
    // A hand-edited value that is no number would otherwise read as 0 and take the card's
    // background away entirely; the default keeps the time readable.
    bool ok = false;
    const double opacity = value(SettingsKey::overlayOpacity).toDouble(&ok);
    return ok && std::isfinite(opacity) ? opacity : SettingsDefault::overlayOpacity;
}

qint64 SettingsStore::talkLengthMinutes() const {
    // A hand-edited value that cannot be a slot switches the count-down off rather than
    // counting down from something the speaker never chose.
    bool ok = false;
    const qint64 minutes = value(SettingsKey::talkLengthMinutes).toLongLong(&ok);
    return ok && minutes >= 0 && minutes <= SettingsLimit::maxTalkLengthMinutes ? minutes : 0;
}

QString SettingsStore::appLanguage() const {
    return stringValue(SettingsKey::appLanguage).value_or(QString());
}

QString SettingsStore::fileName() const {
    return m_settings->fileName();
}

namespace {

// Takes the group's and others' bits away and adds nothing: a read-only file stays read-only.
bool keepToOwner(const QString& path) {
    constexpr QFile::Permissions owner = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner;
    constexpr QFile::Permissions groupAndOthers = QFile::ReadGroup | QFile::WriteGroup |
                                                  QFile::ExeGroup | QFile::ReadOther |
                                                  QFile::WriteOther | QFile::ExeOther;
    const QFile::Permissions now = QFile::permissions(path);
    if (!(now & groupAndOthers))
        return true;
    return QFile::setPermissions(path, now & owner);
}

} // namespace

bool SettingsStore::restrictToUser() const {
    const QFileInfo file(fileName());
    QDir folder = file.dir();
    if (!folder.mkpath(QStringLiteral(".")))
        return false;
    bool ok = keepToOwner(folder.absolutePath());
    if (file.exists())
        ok = keepToOwner(file.absoluteFilePath()) && ok;
    return ok;
}

void SettingsStore::sync() {
    m_settings->sync();
}
