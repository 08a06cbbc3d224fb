#include "settings/AppState.h"
#include "settings/SettingsNotifier.h"
#include "settings/SettingsStore.h"
#include "support/TestMain.h"

#include <QFileInfo>
#include <QSettings>
#include <QSignalSpy>

class SettingsTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init() { m_file = TestSettings::installThrowawayStore(); }

    void emptyStoreYieldsTheDefaults() {
        const SettingsStore store;
        QVERIFY(!store.timerSource());
        QVERIFY(!store.isInternalSource());
        QVERIFY(!store.isStagetimerSource());
        QVERIFY(!store.ontimeEnabled());
        QVERIFY(!store.ontimeHost());
        QCOMPARE(store.ontimePort(), 4001);
        QVERIFY(!store.stagetimerEnabled());
        QCOMPARE(store.stagetimerRoom(), QString());
        QCOMPARE(store.stagetimerKey(), QString());
        QCOMPARE(store.stagetimerServer(), QString());
        QVERIFY(store.autoShow());
        QVERIFY(store.showCaption());
        QVERIFY(store.showMessages());
        QVERIFY(store.showBar());
        QCOMPARE(store.overlayOpacity(), 0.85);
        QVERIFY(!store.showInSharing());
        QCOMPARE(store.appLanguage(), QString());
        QVERIFY(!store.hasLaunchAtLogin());
        // Plain typed reads of missing keys.
        QVERIFY(!store.boolValue("missing"));
        QCOMPARE(store.intValue("missing"), 0);
        QCOMPARE(store.doubleValue("missing"), 0.0);
        QVERIFY(!store.stringValue("missing").has_value());
    }

    void autoShowPresenceTest() {
        SettingsStore store;
        store.setBool(SettingsKey::autoShow, false);
        QVERIFY(!store.autoShow());
        store.setBool(SettingsKey::autoShow, true);
        QVERIFY(store.autoShow());
        // Anything that is not a boolean reads as true.
        store.setString(SettingsKey::autoShow, QStringLiteral("maybe"));
        QVERIFY(store.autoShow());
        store.setInt(SettingsKey::autoShow, 0);
        QVERIFY(store.autoShow());
        // Removing the key restores true.
        store.setBool(SettingsKey::autoShow, false);
        QSettings(m_file, QSettings::IniFormat).remove(QStringLiteral("autoShow"));
        QVERIFY(SettingsStore().autoShow());
    }

    void ontimePortOutsideTcpMeans4001() {
        SettingsStore store;
        for (const qint64 stored : {0LL, -5LL, 65536LL, 99999LL}) {
            store.setInt(SettingsKey::ontimePort, stored);
            QCOMPARE(store.ontimePort(), 4001);
            QCOMPARE(store.intValue(SettingsKey::ontimePort), stored);
        }
        store.setInt(SettingsKey::ontimePort, 4123);
        QCOMPARE(store.ontimePort(), 4123);
    }

    void talkLengthThatCannotBeASlotIsOff() {
        const QStringList stored{QStringLiteral("601"), QStringLiteral("-5"),
                                 QStringLiteral("20.5"), QStringLiteral("twenty")};
        for (const QString& text : stored) {
            QSettings(m_file, QSettings::IniFormat)
                .setValue(QStringLiteral("talkLengthMinutes"), text);
            QCOMPARE(SettingsStore().talkLengthMinutes(), 0);
        }
    }

    void unknownTimerSourceIsNeitherInternalNorStagetimer() {
        SettingsStore store;
        store.setString(SettingsKey::timerSource, QStringLiteral("Internal"));
        QVERIFY(!store.isInternalSource());
        store.setString(SettingsKey::timerSource, QStringLiteral("internal"));
        QVERIFY(store.isInternalSource());
        store.setString(SettingsKey::timerSource, QStringLiteral("stagetimer"));
        QVERIFY(store.isStagetimerSource());
    }

    void writesAreVisibleToEveryOtherInstanceAndPersist() {
        SettingsStore writer;
        const SettingsStore reader;
        writer.setString(SettingsKey::ontimeHost, QStringLiteral("127.0.0.5"));
        writer.setDouble(SettingsKey::overlayOpacity, 0.333);
        writer.setBool(SettingsKey::showBar, false);
        QCOMPARE(reader.ontimeHost(), QStringLiteral("127.0.0.5"));
        QCOMPARE(reader.overlayOpacity(), 0.333);
        QVERIFY(!reader.showBar());
        QCOMPARE(SettingsStore().ontimeHost(), QStringLiteral("127.0.0.5"));

        // And they reach the file, where the next launch finds them with their types.
        writer.sync();
        SettingsStore fromFile(m_file);
        QCOMPARE(fromFile.ontimeHost(), QStringLiteral("127.0.0.5"));
        QCOMPARE(fromFile.overlayOpacity(), 0.333);
        QVERIFY(!fromFile.showBar());
    }

    void unreadableOpacityKeepsTheDefault() {
        SettingsStore store;
        store.setString(SettingsKey::overlayOpacity, QStringLiteral("half"));
        QCOMPARE(store.overlayOpacity(), 0.85);
        store.setString(SettingsKey::overlayOpacity, QStringLiteral("0.4"));
        QCOMPARE(store.overlayOpacity(), 0.4);
    }

    void storeIsReadableByTheUserAlone() {
        SettingsStore store;
        store.setString(SettingsKey::stagetimerKey, QStringLiteral("secret"));
        store.sync();
        QVERIFY(store.restrictToUser());
        const QFileInfo file(store.fileName());
        QCOMPARE((QFileInfo(file.absolutePath()).permissions() & 0x0077).toInt(), 0);
        QCOMPARE((file.permissions() & 0x0077).toInt(), 0);
        // A later rewrite keeps them.
        store.setString(SettingsKey::stagetimerKey, QStringLiteral("other"));
        store.sync();
        QCOMPARE((QFileInfo(store.fileName()).permissions() & 0x0077).toInt(), 0);
    }

    void protectionTheUserChoseIsKept() {
        SettingsStore store;
        store.setString(SettingsKey::ontimeHost, QStringLiteral("h"));
        const QFileInfo file(store.fileName());
        QFile::setPermissions(file.absoluteFilePath(),
                              QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
        QVERIFY(store.restrictToUser());
        // Group and others lose their bits; the owner gains none.
        QCOMPARE(QFile::permissions(file.absoluteFilePath()) & 0x7077,
                 QFile::Permissions(QFile::ReadOwner));
        QFile::setPermissions(file.absoluteFilePath(), QFile::ReadOwner | QFile::WriteOwner);
    }

    void aStoreThatCannotBeSavedSaysSo() {
        SettingsNotifier& notifier = SettingsNotifier::instance();
        QSignalSpy spy(&notifier, &SettingsNotifier::saveFailedChanged);
        SettingsStore unsaved(QStringLiteral("/proc/kalvane/Kalvane.ini"));
        unsaved.setBool(SettingsKey::showBar, false);
        QVERIFY(notifier.saveFailed());
        QCOMPARE(notifier.failedFile(), QStringLiteral("/proc/kalvane/Kalvane.ini"));
        SettingsStore().setBool(SettingsKey::showBar, false);
        QVERIFY(!notifier.saveFailed());
        QCOMPARE(spy.count(), 2);
    }

    void emptyStringIsAValueNotAMissingKey() {
        SettingsStore store;
        store.setString(SettingsKey::ontimeHost, QString());
        QVERIFY(store.ontimeHost().has_value());
        QCOMPARE(*store.ontimeHost(), QString());
    }

    void everyWriteIsAnnounced() {
        QSignalSpy spy(&SettingsNotifier::instance(), &SettingsNotifier::changed);
        SettingsStore store;
        store.setBool(SettingsKey::showCaption, false);
        store.setDouble(SettingsKey::overlayOpacity, 0.5);
        QCOMPARE(spy.count(), 2);
        QCOMPARE(spy.at(0).at(0).toString(), QStringLiteral("showCaption"));
        QCOMPARE(spy.at(1).at(0).toString(), QStringLiteral("overlayOpacity"));
    }

    void appStateNotifiesOnEveryAssignment() {
        AppState state;
        QCOMPARE(state.sourceLine(), QString());
        QVERIFY(!state.sourceOK());
        QCOMPARE(state.powerPointLine(), QString());
        QVERIFY(!state.permissionDenied());
        QVERIFY(!state.overlayVisible());

        QSignalSpy line(&state, &AppState::sourceLineChanged);
        QSignalSpy ok(&state, &AppState::sourceOKChanged);
        QSignalSpy visible(&state, &AppState::overlayVisibleChanged);
        state.setSourceLine(QStringLiteral("x"));
        state.setSourceLine(QStringLiteral("x"));
        state.setSourceOK(false);
        state.setOverlayVisible(false);
        QCOMPARE(line.count(), 2);
        QCOMPARE(ok.count(), 1);
        QCOMPARE(visible.count(), 1);

        // The five properties, in order, for observers that bind by name.
        const QMetaObject* meta = state.metaObject();
        QStringList names;
        for (int i = meta->propertyOffset(); i < meta->propertyCount(); ++i)
            names << QString::fromLatin1(meta->property(i).name());
        QCOMPARE(names,
                 (QStringList{QStringLiteral("sourceLine"), QStringLiteral("sourceOK"),
                              QStringLiteral("powerPointLine"), QStringLiteral("permissionDenied"),
                              QStringLiteral("overlayVisible")}));
    }

private:
    QString m_file;
};

KALVANE_TEST_MAIN_CORE(SettingsTest)
#include "SettingsTest.moc"
