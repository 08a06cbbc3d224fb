#include "support/TestSettings.h"

#include "settings/SettingsStore.h"

#include <QTemporaryDir>

namespace {

QTemporaryDir& temporaryFolder() {
    static QTemporaryDir folder;
    return folder;
}

int storeCounter = 0;

} // namespace

QString TestSettings::folder() {
    return temporaryFolder().path();
}

QString TestSettings::installThrowawayStore() {
    const QString file =
        temporaryFolder().filePath(QStringLiteral("settings-%1.ini").arg(++storeCounter));
    SettingsStore::setLocation(file);
    return file;
}
