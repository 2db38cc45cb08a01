#include "DiscoveryDatagram.h"
#include "LanDiscovery.h"
#include "SimulatorProcess.h"

#include <QNetworkDatagram>
#include <QUdpSocket>
#include <QtTest>

// LAN discovery: the datagram decoder, and whole runs on loopback against
// the simulator and against hand-made answers.
class tst_Discovery : public QObject
{
    Q_OBJECT
private slots:
    void cleanup();
    void probeAndBroadcastAddress();
    void decodeExample();
    void decodePort_data();
    void decodePort();
    void malformedDatagrams_data();
    void malformedDatagrams();
    void mergeUpdatesByDeviceNumber();
    void probeGoesToLoopbackBroadcast();
    void runAgainstSimulator();
    void foreignAnswersIgnored();
    void runFailures();
    void everyBroadcastNetworkIsProbed();
    void oneRunCollectsAnswersOfSeveralNetworks();

private:
    static QByteArray answer(const QByteArray &head, quint8 lastIp, quint32 port);
};

void tst_Discovery::cleanup()
{
    qunsetenv(LanDiscovery::AddressVariable);
}

QByteArray tst_Discovery::answer(const QByteArray &head, quint8 lastIp, quint32 port)
{
    QByteArray d(28, '\0');
    d.replace(0, qMin(head.size(), 12), head.left(12));
    const char ip[] = {char(192), char(168), 0, char(lastIp)};
    d.replace(12, 4, ip, 4);
    const char mac[] = {0x00, 0x1E, char(0xC0), 0x12, 0x34, char(0xAB)};
    d.replace(16, 6, mac, 6);
    d[23] = 1;
    for (int i = 0; i < 4; ++i)
        d[24 + i] = char((port >> (8 * i)) & 0xff);
    return d;
}

void tst_Discovery::probeAndBroadcastAddress()
{
    const QByteArray probe = DiscoveryDatagram::probe();
    QCOMPARE(probe.size(), 50);
    QCOMPARE(probe.count('\x01'), 50);
    QCOMPARE(DiscoveryDatagram::broadcastAddressFor(QStringLiteral("10.1.2.3")),
             QStringLiteral("10.1.2.255"));
    QCOMPARE(DiscoveryDatagram::broadcastAddressFor(QStringLiteral("192.168.10.37")),
             QStringLiteral("192.168.10.255"));
    QCOMPARE(DiscoveryDatagram::broadcastAddressFor(QStringLiteral("127.0.0.1")),
             QStringLiteral("127.0.0.255"));
    QVERIFY(DiscoveryDatagram::broadcastAddressFor(QStringLiteral("10.1.2")).isEmpty());
    QVERIFY(DiscoveryDatagram::broadcastAddressFor(QString()).isEmpty());
}

void tst_Discovery::decodeExample()
{
    DiscoveryDatagram::Answer a;
    QVERIFY(DiscoveryDatagram::decode(answer("KELVANTIS", 20, 23), &a));
    QCOMPARE(a.address, QStringLiteral("192.168.0.20"));
    QCOMPARE(a.macText, QStringLiteral("001EC01234AB"));
    QCOMPARE(a.port, quint16(23));
    QVERIFY(a.dhcp);
    // Longer datagrams carry the same fields.
    QVERIFY(DiscoveryDatagram::decode(answer("xKELVANTISx", 1, 23) + QByteArray(100, 'z'), &a));
    QCOMPARE(a.address, QStringLiteral("192.168.0.1"));
    QVERIFY(!DiscoveryDatagram::decode(answer("KELVANTIS", 20, 23), nullptr));
}

void tst_Discovery::decodePort_data()
{
    QTest::addColumn<quint32>("field");
    QTest::addColumn<quint16>("port");
    QTest::newRow("23") << quint32(0x00000017) << quint16(23);
    QTest::newRow("10000") << quint32(0x00002710) << quint16(10000);
    QTest::newRow("low 16 bits") << quint32(0x00010050) << quint16(80);
}

void tst_Discovery::decodePort()
{
    QFETCH(quint32, field);
    DiscoveryDatagram::Answer a;
    QVERIFY(DiscoveryDatagram::decode(answer("KELVANTIS", 20, field), &a));
    QTEST(a.port, "port");
}

void tst_Discovery::malformedDatagrams_data()
{
    QTest::addColumn<QByteArray>("datagram");
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("short") << answer("KELVANTIS", 20, 23).left(27);
    QTest::newRow("no tag") << answer("KELVANT", 20, 23);
    QTest::newRow("lower case tag") << answer("kelvantis", 20, 23);
    QTest::newRow("tag after zero byte") << answer(QByteArray("AB\0KELVANTIS", 12), 20, 23);
    QTest::newRow("probe") << DiscoveryDatagram::probe();
}

void tst_Discovery::malformedDatagrams()
{
    QFETCH(QByteArray, datagram);
    DiscoveryDatagram::Answer a;
    QVERIFY(!DiscoveryDatagram::isAnswer(datagram));
    QVERIFY(!DiscoveryDatagram::decode(datagram, &a));
}

void tst_Discovery::mergeUpdatesByDeviceNumber()
{
    QList<AvailableDevice *> list;
    AvailableDevice usb;
    usb.deviceNumber = QStringLiteral("S1");
    usb.address = QStringLiteral("ttyACM0");
    usb.interfaceType = 1;
    list.append(new AvailableDevice(usb));

    AvailableDevice found;
    found.deviceNumber = QStringLiteral("001EC01234AB");
    found.address = QStringLiteral("192.168.0.20");
    found.port = 23;
    found.interfaceType = 2;
    LanDiscovery::mergeInto(list, found);
    LanDiscovery::mergeInto(list, found);
    QCOMPARE(list.size(), 2);
    found.address = QStringLiteral("192.168.0.21");
    found.port = 2323;
    LanDiscovery::mergeInto(list, found);
    QCOMPARE(list.size(), 2);
    QCOMPARE(list.at(1)->address, QStringLiteral("192.168.0.21"));
    QCOMPARE(list.at(1)->port, quint16(2323));
    QCOMPARE(list.at(1)->interfaceType, 2);
    // Matching is exact: another spelling is another device.
    found.deviceNumber = QStringLiteral("001ec01234ab");
    LanDiscovery::mergeInto(list, found);
    QCOMPARE(list.size(), 3);
    qDeleteAll(list);
}

void tst_Discovery::probeGoesToLoopbackBroadcast()
{
    qputenv(LanDiscovery::AddressVariable, "127.61.7.1");
    QUdpSocket device;
    QVERIFY(device.bind(QHostAddress(QStringLiteral("127.61.7.255")), 0));
    LanDiscovery discovery;
    discovery.setDevicePort(device.localPort());
    QVERIFY(discovery.start());
    QVERIFY(discovery.isRunning());
    QTRY_VERIFY_WITH_TIMEOUT(device.hasPendingDatagrams(), 10000);
    const QNetworkDatagram probe = device.receiveDatagram();
    QCOMPARE(probe.data(), DiscoveryDatagram::probe());
    QCOMPARE(probe.senderAddress(), QHostAddress(QStringLiteral("127.61.7.1")));
    QCOMPARE(quint16(probe.senderPort()), discovery.localPort());
    discovery.stop();
    QVERIFY(!discovery.isRunning());
}

void tst_Discovery::runAgainstSimulator()
{
    SimulatorProcess sim;
    QVERIFY2(sim.start({QStringLiteral("--lan"), QStringLiteral("127.61.8.21:0"),
                        QStringLiteral("--lan"), QStringLiteral("127.61.8.22:0/001EC01234AB"),
                        QStringLiteral("--discovery"), QStringLiteral("127.61.8.255:0")}),
             qPrintable(SimulatorProcess::binaryPath()));
    QVERIFY(sim.discoveryAvailable());
    qputenv(LanDiscovery::AddressVariable, "127.61.8.1");

    LanDiscovery discovery;
    discovery.setDevicePort(sim.discoveryPort());
    QList<AvailableDevice *> list;
    connect(&discovery, &LanDiscovery::deviceFound, this,
            [&list](const AvailableDevice &found) { LanDiscovery::mergeInto(list, found); });
    QSignalSpy found(&discovery, &LanDiscovery::deviceFound);
    for (int run = 1; run <= 2; ++run) {
        QVERIFY(discovery.start());
        QTRY_COMPARE_WITH_TIMEOUT(found.count(), 2 * run, 10000);
    }
    QCOMPARE(list.size(), 2);
    std::sort(list.begin(), list.end(),
              [](AvailableDevice *a, AvailableDevice *b) { return a->address < b->address; });
    QCOMPARE(list.at(0)->address, sim.lan(0).address);
    QCOMPARE(list.at(0)->deviceNumber, sim.lan(0).mac);
    QCOMPARE(list.at(0)->port, sim.lan(0).port);
    QCOMPARE(list.at(1)->deviceNumber, QStringLiteral("001EC01234AB"));
    QCOMPARE(list.at(1)->address, QStringLiteral("127.61.8.22"));
    QCOMPARE(list.at(1)->port, sim.lan(1).port);
    QCOMPARE(list.at(1)->interfaceType, 2);
    qDeleteAll(list);
}

void tst_Discovery::foreignAnswersIgnored()
{
    qputenv(LanDiscovery::AddressVariable, "127.61.9.1");
    QUdpSocket device;
    QVERIFY(device.bind(QHostAddress(QStringLiteral("127.61.9.255")), 0));
    LanDiscovery discovery;
    discovery.setDevicePort(device.localPort());
    QSignalSpy found(&discovery, &LanDiscovery::deviceFound);
    QSignalSpy batches(&discovery, &LanDiscovery::datagramsRead);
    QVERIFY(discovery.start());
    const QHostAddress recorder(QStringLiteral("127.61.9.1"));
    const QList<QByteArray> junk = {
        QByteArray(),
        answer("KELVANTIS", 20, 23).left(27),
        answer("KELVANT", 20, 23),
        answer(QByteArray("AB\0KELVANTIS", 12), 20, 23),
        QByteArray(2000, 'K'),
    };
    for (const QByteArray &datagram : junk)
        device.writeDatagram(datagram, recorder, discovery.localPort());
    device.writeDatagram(answer("KELVANTIS", 20, 23), recorder, discovery.localPort());
    device.writeDatagram(answer("KELVANTIS", 30, 10000), recorder, discovery.localPort());
    QTRY_COMPARE_WITH_TIMEOUT(found.count(), 2, 10000);
    QVERIFY(batches.count() >= 1);
    // One more answer marks the end: nothing else is found before it.
    device.writeDatagram(answer("KELVANTIS", 40, 23), recorder, discovery.localPort());
    QTRY_COMPARE_WITH_TIMEOUT(found.count(), 3, 10000);
    QCOMPARE(found.at(2).at(0).value<AvailableDevice>().address, QStringLiteral("192.168.0.40"));
    const auto first = found.at(0).at(0).value<AvailableDevice>();
    const auto second = found.at(1).at(0).value<AvailableDevice>();
    QCOMPARE(first.address, QStringLiteral("192.168.0.20"));
    QCOMPARE(second.address, QStringLiteral("192.168.0.30"));
    QCOMPARE(second.port, quint16(10000));

    // A device that changed its address keeps its one entry.
    QList<AvailableDevice *> list;
    LanDiscovery::mergeInto(list, first);
    LanDiscovery::mergeInto(list, second);
    QCOMPARE(list.size(), 1);
    QCOMPARE(list.at(0)->address, QStringLiteral("192.168.0.30"));
    qDeleteAll(list);
}

void tst_Discovery::runFailures()
{
    LanDiscovery discovery;
    QSignalSpy failed(&discovery, &LanDiscovery::runFailed);
    qputenv(LanDiscovery::AddressVariable, "no address");
    QVERIFY(!discovery.start());
    QCOMPARE(failed.count(), 1);
    QCOMPARE(failed.at(0).at(0).toString(),
             QStringLiteral("Cannot Get Local IP address.\nPlease retry."));
    // An address this host does not have cannot be bound; nothing is sent.
    qputenv(LanDiscovery::AddressVariable, "192.0.2.1");
    QVERIFY(!discovery.start());
    QCOMPARE(failed.count(), 2);
    QCOMPARE(failed.at(1).at(0).toString(), QStringLiteral("UDP Send Socket Down.\nPlease retry."));
    QVERIFY(!discovery.isRunning());
}

void tst_Discovery::everyBroadcastNetworkIsProbed()
{
    using Address = LanDiscovery::InterfaceAddress;
    auto entry = [](const char *ip, const char *mask, bool up = true, bool loopback = false,
                    bool broadcast = true) {
        Address a;
        a.up = up;
        a.loopback = loopback;
        a.canBroadcast = broadcast;
        a.ip = QHostAddress(QString::fromLatin1(ip));
        a.netmask = QHostAddress(QString::fromLatin1(mask));
        return a;
    };
    const QList<Address> host{
        entry("127.0.0.1", "255.0.0.0", true, true),
        entry("192.168.10.37", "255.255.255.0"),                  // wired
        entry("10.20.30.40", "255.255.240.0"),                    // Wi-Fi, a /20
        entry("172.17.0.1", "255.255.0.0"),                       // docker bridge
        entry("10.8.0.6", "255.255.255.255", true, false, false), // VPN tunnel
        entry("192.168.50.2", "255.255.255.254"),                 // point-to-point /31
        entry("192.168.99.5", "255.255.255.0", false),            // down
        entry("192.168.10.38", "255.255.255.0"),                  // second address, same network
        entry("fe80::1", "ffff:ffff:ffff:ffff::"),
    };
    const QList<LanDiscovery::Target> targets = LanDiscovery::targetsFromInterfaces(host);
    QStringList got;
    for (const LanDiscovery::Target &t : targets)
        got << t.local.toString() + " > " + t.broadcast.toString();
    QCOMPARE(got, (QStringList{"192.168.10.37 > 192.168.10.255", "10.20.30.40 > 10.20.31.255",
                               "172.17.0.1 > 172.17.255.255"}));

    const auto forced = LanDiscovery::targetsFromOverride("127.61.3.1, 127.62.4.1,127.61.3.1");
    QCOMPARE(forced.size(), 2);
    QCOMPARE(forced.at(1).local, QHostAddress("127.62.4.1"));
    QCOMPARE(forced.at(1).broadcast, QHostAddress("127.62.4.255"));
    QVERIFY(LanDiscovery::targetsFromOverride("127.0.0.1,nonsense").isEmpty());
}

void tst_Discovery::oneRunCollectsAnswersOfSeveralNetworks()
{
    SimulatorProcess first;
    SimulatorProcess second;
    // Both responders must listen on one port, since a run probes one port.
    QVERIFY(first.start({QStringLiteral("--lan"), QStringLiteral("127.61.11.21:0"),
                         QStringLiteral("--discovery"), QStringLiteral("127.61.11.255:0")}));
    QVERIFY(first.discoveryAvailable());
    const QString port = QString::number(first.discoveryPort());
    QVERIFY(second.start({QStringLiteral("--lan"), QStringLiteral("127.62.11.21:0"),
                          QStringLiteral("--discovery"), QStringLiteral("127.62.11.255:") + port}));
    QVERIFY(second.discoveryAvailable());
    qputenv(LanDiscovery::AddressVariable, "127.61.11.1,127.62.11.1");

    LanDiscovery discovery;
    discovery.setDevicePort(first.discoveryPort());
    QList<AvailableDevice *> list;
    connect(&discovery, &LanDiscovery::deviceFound, this,
            [&list](const AvailableDevice &found) { LanDiscovery::mergeInto(list, found); });
    QVERIFY(discovery.start());
    QTRY_COMPARE_WITH_TIMEOUT(list.size(), 2, 10000);
    QStringList addresses{list.at(0)->address, list.at(1)->address};
    addresses.sort();
    QCOMPARE(addresses, (QStringList{"127.61.11.21", "127.62.11.21"}));
    qDeleteAll(list);

    // A network whose address cannot be bound is skipped; the others still run.
    qputenv(LanDiscovery::AddressVariable, "192.0.2.1,127.61.11.1");
    QVERIFY(discovery.start());
    QVERIFY(discovery.isRunning());
}

QTEST_GUILESS_MAIN(tst_Discovery)
#include "tst_Discovery.moc"
