#include "support/TestMain.h"
#include "windows/WindowTestSupport.h"

#include "ontime/OntimeFakes.h"
#include "ontime/OntimeModel.h"
#include "settings/SettingsStore.h"
#include "windows/OntimeServerList.h"
#include "windows/OntimeSetupWindow.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include <memory>

namespace {

const OntimeServer first{QStringLiteral("127.0.4.1"), 4001, OntimeAPI::v3,
                         QStringLiteral("3.16.1")};
const OntimeServer second{QStringLiteral("127.0.4.2"), 4001, OntimeAPI::v1, QStringLiteral("1.x")};

} // namespace

struct OntimeFixture {
    OntimeFixture() {
        OntimeModel::Timing fast;
        fast.scanTimeout = std::chrono::milliseconds(400);
        fast.rescanPause = std::chrono::milliseconds(50);
        fast.pollInterval = std::chrono::milliseconds(50);
        ontime.setTiming(fast);
        window = std::make_unique<OntimeSetupWindow>(ontime, settings);
    }

    QLineEdit* port() const { return child<QLineEdit>(*window, "port"); }
    QLineEdit* address() const { return child<QLineEdit>(*window, "address"); }
    QPushButton* button(const char* name) const { return child<QPushButton>(*window, name); }

    FakeWindowPlatform platform;
    SettingsStore settings;
    OntimeModel ontime{settings};
    std::unique_ptr<OntimeSetupWindow> window;
};

class OntimeSetupWindowTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() {
        // A loopback network of this test's own: other test programs put their fake servers
        // on the shared one.
        qputenv("KLV_SCAN_INTERFACES", "en9=127.0.77.20/24");
    }
    void init() { TestSettings::installThrowawayStore(); }

    void openingUnconnectedSearchesAndPrefillsTheAddress() {
        SettingsStore().setString(SettingsKey::ontimeHost, QStringLiteral("studio.local"));
        OntimeFixture f;
        QVERIFY(!f.ontime.scanning());
        f.window->show();
        QVERIFY(f.ontime.scanning());
        QCOMPARE(f.address()->text(), QStringLiteral("studio.local"));
        // Anything running enables the way out.
        QVERIFY(f.button("disconnect")->isEnabled());
    }

    void openingConnectedStartsNoSearchAndMarksTheServer() {
        OntimeFixture f;
        f.ontime.connect(first);
        f.ontime.connect(second);
        QVERIFY(!f.ontime.scanning());
        f.window->show();
        QVERIFY(!f.ontime.scanning());

        auto* list = child<QListWidget>(*f.window, "servers");
        QCOMPARE(list->count(), 2);
        QCOMPARE(list->item(0)->checkState(), Qt::Unchecked);
        QCOMPARE(list->item(1)->checkState(), Qt::Checked);

        // The connected row cannot be connected again; the other one can.
        list->item(1)->setSelected(true);
        QVERIFY(!f.button("connectSelected")->isEnabled());
        list->item(0)->setSelected(true);
        QVERIFY(f.button("connectSelected")->isEnabled());
        // Return on a row connects to it and leaves the window open.
        list->setCurrentRow(0);
        QTest::keyClick(list, Qt::Key_Return);
        QVERIFY(f.window->isVisible());
        QCOMPARE(f.ontime.server(), first);
        QCOMPARE(list->item(0)->checkState(), Qt::Checked);
        QVERIFY(!f.button("connectSelected")->isEnabled());
    }

    void aRescanKeepsTheSelectedServerSelected() {
        OntimeServerList list;
        list.setServers({first, second});
        list.item(1)->setSelected(true);
        list.setServers({second, first});
        QCOMPARE(list.selection(), second);
        QVERIFY(list.item(0)->isSelected());
        list.setServers({first});
        QVERIFY(!list.selection());
    }

    void theTypedAddressButtonNeedsText_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("enabled");
        QTest::newRow("empty") << QString() << false;
        QTest::newRow("spaces") << QStringLiteral("   ") << false;
        QTest::newRow("tab and no-break space") << QStringLiteral("\t\u00a0") << false;
        QTest::newRow("host with blanks") << QStringLiteral(" 10.0.0.5 ") << true;
    }
    void theTypedAddressButtonNeedsText() {
        QFETCH(QString, text);
        QFETCH(bool, enabled);
        OntimeFixture f;
        f.address()->setText(text);
        QCOMPARE(f.button("connectTyped")->isEnabled(), enabled);
    }

    void returnInTheAddressFieldConnectsInsteadOfClosing() {
        OntimeFixture f;
        f.window->show();
        f.ontime.disconnect();
        QTest::keyClicks(f.address(), QStringLiteral("127.0.4.9"));
        QTest::keyClick(f.address(), Qt::Key_Return);
        QVERIFY(f.window->isVisible());
        QCOMPARE(f.ontime.status(), QStringLiteral("Verbinde mit 127.0.4.9 …"));
        // Elsewhere Return presses "Fertig".
        QTest::keyClick(f.port(), Qt::Key_Return);
        QVERIFY(!f.window->isVisible());
    }

    void thePortFieldStoresOnlyWholeNumbers_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QVariant>("stored");
        QTest::newRow("a port") << QStringLiteral("4002") << QVariant(4002);
        QTest::newRow("zero is stored as typed") << QStringLiteral("0") << QVariant(0);
        QTest::newRow("letters never reach the store") << QStringLiteral("abc") << QVariant();
        QTest::newRow("a separator never gets in") << QStringLiteral("4.001") << QVariant(4001);
    }
    void thePortFieldStoresOnlyWholeNumbers() {
        QFETCH(QString, typed);
        QFETCH(QVariant, stored);
        OntimeFixture f;
        f.port()->clear();
        QTest::keyClicks(f.port(), typed);
        const SettingsStore settings;
        if (stored.isValid())
            QCOMPARE(settings.intValue(SettingsKey::ontimePort), stored.toLongLong());
        else
            QVERIFY(!settings.contains(SettingsKey::ontimePort));
    }

    void portZeroConnectsOn4001AndReadsAs4001() {
        ScriptedHttpServer server;
        QVERIFY(server.listen(QHostAddress(QStringLiteral("127.0.78.7")), 4001));
        server.setResponse(probePath(OntimeAPI::v3), fakes::version("3.16.1"));
        OntimeFixture f;
        f.window->show();
        f.ontime.disconnect();

        f.port()->clear();
        QTest::keyClicks(f.port(), QStringLiteral("0"));
        QCOMPARE(SettingsStore().intValue(SettingsKey::ontimePort), 0);
        f.address()->setText(QStringLiteral("127.0.78.7"));
        f.button("connectTyped")->click();
        QTRY_VERIFY(f.ontime.server().has_value());
        QCOMPARE(f.ontime.server()->port, 4001);

        f.window->close();
        f.window->show();
        QCOMPARE(f.port()->text(), QStringLiteral("4001"));
    }

    void disconnectIsEnabledWhileAnythingRuns() {
        OntimeFixture f;
        auto* disconnect = f.button("disconnect");
        QVERIFY(!disconnect->isEnabled());
        SettingsStore().setBool(SettingsKey::ontimeEnabled, true);
        QVERIFY(disconnect->isEnabled());
        SettingsStore().setBool(SettingsKey::ontimeEnabled, false);
        QVERIFY(!disconnect->isEnabled());
        f.ontime.connect(first);
        QVERIFY(disconnect->isEnabled());
        disconnect->click();
        QVERIFY(!f.ontime.server());
        QVERIFY(!disconnect->isEnabled());
    }

    void theManualSearchListsWhatItFindsAndConnectsNothing() {
        // On the scanned test network.
        ScriptedHttpServer server;
        QVERIFY(server.listen(QHostAddress(QStringLiteral("127.0.77.30")), 4001));
        server.setResponse(probePath(OntimeAPI::v3), fakes::version("3.16.1"));
        OntimeFixture f;
        f.window->show();
        f.ontime.disconnect();
        auto* search = f.button("search");
        search->click();
        QVERIFY(f.ontime.scanning());
        QVERIFY(!search->isEnabled());
        QCOMPARE(search->text(), QStringLiteral("Suche läuft …"));
        QTRY_VERIFY_WITH_TIMEOUT(!f.ontime.scanning(), 10000);
        QVERIFY(search->isEnabled());
        QCOMPARE(search->text(), QStringLiteral("Netzwerk durchsuchen"));
        auto* list = child<QListWidget>(*f.window, "servers");
        QCOMPARE(list->count(), 1);
        QCOMPARE(list->item(0)->text(), QStringLiteral("127.0.77.30:4001 – Ontime 3.16.1"));
        QVERIFY(!f.ontime.server());
        QVERIFY(child<QLabel>(*f.window, "scanInfo")->isVisible());
    }

    void tabOrderFollowsTheVisualOrder() {
        OntimeFixture f;
        f.window->show();
        f.ontime.disconnect();
        QCOMPARE(tabOrder(*f.window), visualFocusOrder(*f.window));
    }
};

KALVANE_TEST_MAIN_GUI(OntimeSetupWindowTest)
#include "OntimeSetupWindowTest.moc"
