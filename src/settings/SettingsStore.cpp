#include "settings/SettingsStore.h"

#include "settings/SettingsNotifier.h"

#include <cmath>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QSettings>

namespace {

QMutex locationMutex;
QString overriddenLocation;

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

bool SettingsStore::contains(const char* name) const {
    return m_settings->contains(key(name));
}

QVariant SettingsStore::value(const char* name) const {
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
    m_settings->setValue(key(name), value);
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
    const qint64 port = intValue(SettingsKey::ontimePort);
    return port < 1 ? SettingsDefault::ontimePort : port;
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

QString SettingsStore::appLanguage() const {
    return stringValue(SettingsKey::appLanguage).value_or(QString());
}

QString SettingsStore::fileName() const {
    return m_settings->fileName();
}

bool SettingsStore::restrictToUser() const {
    const QFileInfo file(fileName());
    QDir folder = file.dir();
    if (!folder.mkpath(QStringLiteral(".")))
        return false;
    constexpr QFile::Permissions userOnly = QFile::ReadOwner | QFile::WriteOwner;
    bool ok = QFile::setPermissions(folder.absolutePath(), userOnly | QFile::ExeOwner);
    if (file.exists())
        ok = QFile::setPermissions(file.absoluteFilePath(), userOnly) && ok;
    return ok;
}

void SettingsStore::sync() {
    m_settings->sync();
}
