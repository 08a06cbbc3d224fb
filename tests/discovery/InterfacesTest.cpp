#include "discovery/Interfaces.h"
#include "discovery/Scan.h"
#include "l10n/L10n.h"
#include "support/TestMain.h"

#include <QHostAddress>

#include <algorithm>

using namespace Discovery;

namespace {

quint32 ip(const char* text) {
    return QHostAddress(QString::fromLatin1(text)).toIPv4Address();
}

InterfaceAddress address(const char* name, const char* addressText, const char* mask) {
    InterfaceAddress a;
    a.name = QString::fromLatin1(name);
    a.ip = ip(addressText);
    a.mask = ip(mask);
    return a;
}

InterfaceEntry entry(const char* name, const char* addressText, const char* mask) {
    return InterfaceEntry{QString::fromLatin1(name), ip(addressText), ip(mask)};
}

QStringList range(const char* first, const char* last, const char* skip = nullptr) {
    QStringList list;
    for (quint32 a = ip(first); a <= ip(last); ++a) {
        if (!skip || a != ip(skip))
            list.append(ipString(a));
    }
    return list;
}

} // namespace

class InterfacesTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { L10n::overrideLanguage(QStringLiteral("de")); }

    void cleanup() {
        setInterfaceProvider({});
        qunsetenv("KLV_SCAN_INTERFACES");
    }

    void selectionRules() {
        QList<InterfaceAddress> list;
        list << address("lo0", "127.0.0.1", "255.0.0.0");
        list.last().loopback = true;
        list << address("en0", "192.168.1.20", "255.255.255.0");
        list << address("utun3", "10.8.0.2", "255.255.255.0");
        list << address("awdl0", "10.9.0.2", "255.255.255.0");
        list << address("en1", "169.254.10.3", "255.255.0.0");
        list << address("wlp2s0", "10.0.0.5", "255.255.0.0");
        list << address("br-lan", "172.16.0.1", "255.255.255.0");
        list << address("bridge0", "172.17.0.1", "255.255.255.0");
        list << address("eth0", "10.1.0.5", "255.255.255.0");
        list << address("wlan0", "10.4.0.5", "255.255.255.0");
        list << address("br0", "10.5.0.1", "255.255.255.0");
        // Container and virtual-machine networks lead to no timer.
        list << address("docker0", "172.18.0.1", "255.255.0.0");
        list << address("veth12ab", "172.18.0.2", "255.255.0.0");
        list << address("virbr0", "192.168.122.1", "255.255.255.0");
        list << address("br-5f3a", "172.19.0.1", "255.255.0.0");
        list << address("enp3s0", "10.2.0.5", "255.255.255.0");
        list.last().up = false;
        list << address("enp4s0", "0.0.0.0", "0.0.0.0");
        list.last().ipv4 = false; // an IPv6 address
        list << address("enp5s0", "10.3.0.5", "255.255.255.0");
        list.last().hasNetmask = false;
        list << address("en0", "192.168.2.20", "255.255.255.0"); // a second address of en0

        const QList<InterfaceEntry> selected = selectInterfaces(list);
        QStringList names;
        for (const InterfaceEntry& e : selected)
            names << e.name + u' ' + ipString(e.ip);
        // Linux names: Ethernet "en…" and "eth…", Wi-Fi "wl…", bridges "br…" (which covers
        // "bridge…") but not the container bridges "br-…".
        QCOMPARE(names,
                 (QStringList{QStringLiteral("en0 192.168.1.20"), QStringLiteral("wlp2s0 10.0.0.5"),
                              QStringLiteral("bridge0 172.17.0.1"), QStringLiteral("eth0 10.1.0.5"),
                              QStringLiteral("wlan0 10.4.0.5"), QStringLiteral("br0 10.5.0.1"),
                              QStringLiteral("en0 192.168.2.20")}));
        QCOMPARE(selected.first().mask, ip("255.255.255.0"));
    }

    void readingInterfaceLists() {
        const auto list = parseInterfaceList(u"en9=127.0.1.20/24, en10=127.0.2.5/22,,");
        QVERIFY(list);
        QCOMPARE(list->size(), 2);
        QCOMPARE(list->at(0).name, QStringLiteral("en9"));
        QCOMPARE(list->at(0).ip, ip("127.0.1.20"));
        QCOMPARE(list->at(0).mask, ip("255.255.255.0"));
        QCOMPARE(list->at(1).mask, ip("255.255.252.0"));
        QVERIFY(list->at(1).up && !list->at(1).loopback && list->at(1).ipv4);
        QCOMPARE(parseInterface(u"x=1.2.3.4/0")->mask, 0u);
        QCOMPARE(parseInterface(u"x=1.2.3.4/32")->mask, 0xFFFFFFFFu);

        QString error;
        QVERIFY(!parseInterfaceList(u"en9=127.0.1.20", &error));
        QVERIFY(error.contains(u"en9=127.0.1.20"));
        QVERIFY(!parseInterface(u"=127.0.1.20/24"));
        QVERIFY(!parseInterface(u"en9=127.0.1/24"));
        QVERIFY(!parseInterface(u"en9=::1/64"));
        QVERIFY(!parseInterface(u"en9=127.0.1.20/33"));
        QVERIFY(!parseInterface(u"en9=127.0.1.20/x"));
    }

    // The variable stands in for the real interfaces, also when it is empty or unreadable:
    // then there is no network at all, never the machine's own.
    void environmentStandsInForTheSystem() {
        qputenv("KLV_SCAN_INTERFACES", "en9=127.0.1.20/24,lo=127.0.0.9/8,en10=bad");
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("bad")));
        QCOMPARE(localIPv4(), (QList<InterfaceEntry>{entry("en9", "127.0.1.20", "255.255.255.0")}));

        qputenv("KLV_SCAN_INTERFACES", "");
        QVERIFY(localIPv4().isEmpty());

        setInterfaceProvider(
            [] { return QList<InterfaceAddress>{address("wl0", "10.1.1.1", "255.0.0.0")}; });
        QCOMPARE(localIPv4(), (QList<InterfaceEntry>{entry("wl0", "10.1.1.1", "255.0.0.0")}));
    }

    void systemListIsReadable() {
        // Only read, never scanned.
        const auto list = systemInterfaceAddresses();
        QVERIFY(list);
        QVERIFY(std::any_of(list->begin(), list->end(),
                            [](const InterfaceAddress& a) { return a.loopback; }));
    }

    void ownTwentyFourBlockFirst() {
        const AddressPlan plan = addressPlan({entry("en0", "192.168.1.20", "255.255.255.0")});
        QCOMPARE(plan.addresses.size(), 254);
        QCOMPARE(plan.addresses.first(), QStringLiteral("127.0.0.1"));
        QCOMPARE(plan.addresses.mid(1), range("192.168.1.1", "192.168.1.254", "192.168.1.20"));
        QCOMPARE(plan.reportLines,
                 QStringList{QStringLiteral("en0 192.168.1.20: 192.168.1.1 \u2013 192.168.1.254")});
    }

    void largeNetworksAreCutToTwenty() {
        const AddressPlan plan = addressPlan({entry("en0", "10.0.5.7", "255.255.0.0")});
        // 4094 addresses of the /20 without its own one, and this computer.
        QCOMPARE(plan.addresses.size(), 4094);
        QCOMPARE(plan.reportLines,
                 QStringList{QStringLiteral("en0 10.0.5.7: 10.0.0.1 \u2013 10.0.15.254")});
        const QStringList own = plan.addresses.mid(1, 255);
        QCOMPARE(own, range("10.0.5.0", "10.0.5.255", "10.0.5.7"));
        const QStringList rest = plan.addresses.mid(256);
        QCOMPARE(rest.first(), QStringLiteral("10.0.0.1"));
        QCOMPARE(rest.last(), QStringLiteral("10.0.15.254"));
        QVERIFY(!rest.contains(QStringLiteral("10.0.5.1")));
        QCOMPARE(rest, range("10.0.0.1", "10.0.4.255") + range("10.0.6.0", "10.0.15.254"));
    }

    void tinyNetworksContributeNothing() {
        const AddressPlan plan = addressPlan({entry("en0", "10.0.0.4", "255.255.255.254"),
                                              entry("en1", "10.0.0.9", "255.255.255.255"),
                                              entry("en2", "255.255.255.255", "255.255.255.255"),
                                              entry("en3", "10.1.0.1", "255.255.255.252")});
        QCOMPARE(plan.addresses,
                 (QStringList{QStringLiteral("127.0.0.1"), QStringLiteral("10.1.0.2")}));
        QCOMPARE(plan.reportLines,
                 QStringList{QStringLiteral("en3 10.1.0.1: 10.1.0.1 \u2013 10.1.0.2")});
    }

    void sameNetworkTwiceIsProbedTwice() {
        const AddressPlan plan = addressPlan({entry("en0", "192.168.1.20", "255.255.255.0"),
                                              entry("en1", "192.168.1.21", "255.255.255.0")});
        QCOMPARE(plan.addresses.size(), 1 + 253 + 253);
        QCOMPARE(plan.addresses.count(QStringLiteral("192.168.1.5")), 2);
        QCOMPARE(plan.reportLines.size(), 2);
    }

    void noNetwork() {
        const AddressPlan plan = addressPlan({});
        QCOMPARE(plan.addresses, QStringList{QStringLiteral("127.0.0.1")});
        QCOMPARE(plan.reportLines,
                 QStringList{
                     QStringLiteral("Kein Netzwerk gefunden – nur dieser Computer wird geprüft")});
        QCOMPARE(scanSummary(1, 0, 0), QStringLiteral("1 Adressen geprüft, 0 Ontime gefunden"));
        QCOMPARE(scanSummary(254, 2, 1),
                 QStringLiteral("254 Adressen geprüft, 2 Ontime gefunden, 1 Stagetimer gefunden"));
    }

    void hostsSortAsNumbers() {
        QStringList hosts{QStringLiteral("192.168.1.10"), QStringLiteral("192.168.1.9"),
                          QStringLiteral("10.0.0.200"),   QStringLiteral("192.168.1.100"),
                          QStringLiteral("192.168.01.5"), QStringLiteral("Ontime.local"),
                          QStringLiteral("ontime.local")};
        std::stable_sort(hosts.begin(), hosts.end(), [](const QString& a, const QString& b) {
            return naturalCompare(a, b) < 0;
        });
        QCOMPARE(hosts,
                 (QStringList{QStringLiteral("10.0.0.200"), QStringLiteral("192.168.01.5"),
                              QStringLiteral("192.168.1.9"), QStringLiteral("192.168.1.10"),
                              QStringLiteral("192.168.1.100"), QStringLiteral("Ontime.local"),
                              QStringLiteral("ontime.local")}));
        QCOMPARE(naturalCompare(u"a", u"a"), 0);
        QVERIFY(naturalCompare(u"1.2", u"1.2.3") < 0);
    }
};

KALVANE_TEST_MAIN_CORE(InterfacesTest)
#include "InterfacesTest.moc"
