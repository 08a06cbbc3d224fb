#include "support/TestMain.h"
#include "windows/WindowTestSupport.h"

#include "settings/SettingsStore.h"
#include "stagetimer/StagetimerModel.h"
#include "windows/StagetimerSetupWindow.h"

#include <QDir>
#include <QImage>
#include <QJsonDocument>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>

#include <memory>

struct StagetimerFixture {
    StagetimerFixture() { window = std::make_unique<StagetimerSetupWindow>(stagetimer, settings); }

    QLineEdit* field(const char* name) const { return child<QLineEdit>(*window, name); }
    QPushButton* button(const char* name) const { return child<QPushButton>(*window, name); }

    FakeWindowPlatform platform;
    SettingsStore settings;
    StagetimerModel stagetimer{settings};
    std::unique_ptr<StagetimerSetupWindow> window;
};

class StagetimerSetupWindowTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init() { TestSettings::installThrowawayStore(); }

    void fieldsLoadOnEveryShowingAndFertigDropsEdits() {
        SettingsStore settings;
        settings.setString(SettingsKey::stagetimerRoom, QStringLiteral("ROOM1"));
        settings.setString(SettingsKey::stagetimerKey, QStringLiteral("KEY1"));
        settings.setString(SettingsKey::stagetimerServer, QStringLiteral("127.0.0.1:3000"));
        StagetimerFixture f;
        f.window->show();
        QCOMPARE(f.field("room")->text(), QStringLiteral("ROOM1"));
        QCOMPARE(f.field("key")->text(), QStringLiteral("KEY1"));
        QCOMPARE(f.field("key")->echoMode(), QLineEdit::Password);
        QCOMPARE(f.field("server")->text(), QStringLiteral("127.0.0.1:3000"));

        f.field("room")->setText(QStringLiteral("OTHER"));
        f.field("key")->setText(QStringLiteral("OTHERKEY"));
        f.button("done")->click();
        QVERIFY(!f.window->isVisible());
        QCOMPARE(settings.stagetimerRoom(), QStringLiteral("ROOM1"));
        QCOMPARE(settings.stagetimerKey(), QStringLiteral("KEY1"));

        f.window->show();
        QCOMPARE(f.field("room")->text(), QStringLiteral("ROOM1"));
        QCOMPARE(f.field("key")->text(), QStringLiteral("KEY1"));
    }

    void verbindenNeedsRoomAndKey_data() {
        QTest::addColumn<QString>("room");
        QTest::addColumn<QString>("key");
        QTest::addColumn<bool>("enabled");
        QTest::newRow("nothing stored") << QString() << QString() << false;
        QTest::newRow("room of blanks") << QStringLiteral("  \t ") << QStringLiteral("K") << false;
        QTest::newRow("no key") << QStringLiteral("R") << QString() << false;
        QTest::newRow("both") << QStringLiteral(" R") << QStringLiteral("K ") << true;
    }
    void verbindenNeedsRoomAndKey() {
        QFETCH(QString, room);
        QFETCH(QString, key);
        QFETCH(bool, enabled);
        StagetimerFixture f;
        f.window->show();
        QTest::keyClicks(f.field("room"), room);
        QTest::keyClicks(f.field("key"), key);
        QCOMPARE(f.button("connect")->isEnabled(), enabled);
    }

    void verbindenStoresTrimmedValuesAndStartsAnAttempt() {
        StagetimerFixture f;
        f.window->show();
        f.field("room")->setText(QStringLiteral(" R1"));
        f.field("key")->setText(QStringLiteral("K1\t"));
        f.field("server")->setText(QStringLiteral(" 127.0.0.1:9 "));
        f.button("connect")->click();
        const SettingsStore settings;
        QCOMPARE(settings.stagetimerRoom(), QStringLiteral("R1"));
        QCOMPARE(settings.stagetimerKey(), QStringLiteral("K1"));
        QCOMPARE(settings.stagetimerServer(), QStringLiteral("127.0.0.1:9"));
        QCOMPARE(f.field("room")->text(), QStringLiteral("R1"));
        QVERIFY(f.stagetimer.connecting());
        QCOMPARE(f.stagetimer.status(), QStringLiteral("Verbinde mit Stagetimer …"));
    }

    void disconnectStaysEnabledFromTheAttemptUntilPressed() {
        StagetimerFixture f;
        f.window->show();
        auto* disconnect = f.button("disconnect");
        QVERIFY(!disconnect->isEnabled());
        // An attempt is running.
        f.stagetimer.setConnecting(true);
        QVERIFY(disconnect->isEnabled());
        // It succeeded: the client stores that Stagetimer is the source.
        SettingsStore().setBool(SettingsKey::stagetimerEnabled, true);
        f.stagetimer.setConnecting(false);
        f.stagetimer.setConnected(true);
        QVERIFY(disconnect->isEnabled());
        // The controller suspends the client while nothing needs it.
        f.stagetimer.setConnected(false);
        QVERIFY(disconnect->isEnabled());
        disconnect->click();
        QVERIFY(!SettingsStore().stagetimerEnabled());
        QVERIFY(!disconnect->isEnabled());
    }

    void snapshotsNeverHoldTheKey() {
        SettingsStore().setString(SettingsKey::stagetimerKey, QStringLiteral("s3cr3t-key"));
        StagetimerFixture f;
        f.window->show();
        QTemporaryDir folder;
        QVERIFY(WindowSnapshot::write(f.window.get(), QDir(folder.path()),
                                      QStringLiteral("stagetimer")));
        QFile json(folder.filePath(QStringLiteral("window-stagetimer.json")));
        QVERIFY(json.open(QIODevice::ReadOnly));
        const QByteArray text = json.readAll();
        QVERIFY(!text.contains("s3cr3t"));
        const QJsonObject description = QJsonDocument::fromJson(text).object();
        QCOMPARE(description[QStringLiteral("title")].toString(), QStringLiteral("Stagetimer"));
        QCOMPARE(description[QStringLiteral("width")].toInt(), 540);
        bool sawKey = false;
        for (const QJsonValue& control : description[QStringLiteral("controls")].toArray()) {
            if (control[QStringLiteral("text")].toString() != u"API-Key" ||
                control[QStringLiteral("kind")].toString() != u"field")
                continue;
            sawKey = true;
            QVERIFY(control[QStringLiteral("masked")].toBool());
            QVERIFY(!control.toObject().contains(QStringLiteral("value")));
        }
        QVERIFY(sawKey);
        const QImage picture(folder.filePath(QStringLiteral("window-stagetimer.png")));
        QCOMPARE(picture.size(), f.window->size() * 2);
    }

    void tabOrderFollowsTheVisualOrder() {
        StagetimerFixture f;
        f.window->show();
        QCOMPARE(tabOrder(*f.window), visualFocusOrder(*f.window));
    }
};

KALVANE_TEST_MAIN_GUI(StagetimerSetupWindowTest)
#include "StagetimerSetupWindowTest.moc"
