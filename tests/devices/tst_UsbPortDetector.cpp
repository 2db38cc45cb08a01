#include "SerialPortFingerprint.h"
#include "SystemPortCache.h"
#include "UsbPortDetector.h"

#include <QTemporaryDir>
#include <QtTest>

class tst_UsbPortDetector : public QObject
{
    Q_OBJECT
private slots:
    void filterKeepsTheFamily();
    void hardwareIdIsCaseInsensitive();
    void serialPrefixRemoved();
    void announcementParsing();
    void simulatedPortsNeedTheirNode();
    void fingerprintSeesPortNodesAndTheirUdevData();
    void portsEnumeratedAgainOnlyOnChangeOrAfterAWhile();
};

void tst_UsbPortDetector::filterKeepsTheFamily()
{
    const QList<UsbDeviceRecord> devices = {
        {QStringLiteral("USB\\VID_04D8&PID_000A&REV_0100"), QStringLiteral("ttyACM0"),
         QStringLiteral("VT_SERIES__A1")},
        {QStringLiteral("USB\\VID_04D8&PID_00DF"), QStringLiteral("ttyACM1"),
         QStringLiteral("OTHER")},
        {QStringLiteral("USB\\VID_04D8&PID_000A"), QString(), QStringLiteral("NOPORT")},
        {QStringLiteral("garbage"), QStringLiteral("ttyS0"), QStringLiteral("X")},
        {QStringLiteral("USB\\VID_04D8&PID_000A&REV_0001"), QStringLiteral("ttyACM2"),
         QStringLiteral("B2")},
    };
    const QList<UsbPortInfo> found = UsbPortDetector::filter(devices);
    QCOMPARE(found.size(), 2);
    QCOMPARE(found.at(0), (UsbPortInfo{QStringLiteral("ttyACM0"), QStringLiteral("A1")}));
    QCOMPARE(found.at(1), (UsbPortInfo{QStringLiteral("ttyACM2"), QStringLiteral("B2")}));
}

void tst_UsbPortDetector::hardwareIdIsCaseInsensitive()
{
    QString vendor;
    QString product;
    UsbPortDetector::parseHardwareId(QStringLiteral("usb\\vid_04d8&pid_000a&rev_0001"), &vendor,
                                     &product);
    QCOMPARE(vendor, QStringLiteral("04d8"));
    QCOMPARE(product, QStringLiteral("000a"));
    const QList<UsbPortInfo> found =
        UsbPortDetector::filter({{QStringLiteral("usb\\vid_04d8&pid_000a&rev_0001"),
                                  QStringLiteral("ttyACM0"), QStringLiteral("x")}});
    QCOMPARE(found.size(), 1);
    // Linux port names keep their case.
    QCOMPARE(found.at(0).portName, QStringLiteral("ttyACM0"));
}

void tst_UsbPortDetector::serialPrefixRemoved()
{
    const auto serialOf = [](const QString &location) {
        return UsbPortDetector::filter({{QStringLiteral("USB\\VID_04D8&PID_000A"),
                                         QStringLiteral("ttyACM0"), location}})
            .value(0)
            .serialNumber;
    };
    QCOMPARE(serialOf(QStringLiteral("VT_SERIES__A1B2C3")), QStringLiteral("A1B2C3"));
    QCOMPARE(serialOf(QStringLiteral("A1B2C3")), QStringLiteral("A1B2C3"));
    QCOMPARE(serialOf(QStringLiteral("VT_SERIES__AVT_SERIES__B")), QStringLiteral("AB"));
    QCOMPARE(serialOf(QStringLiteral("vt_series__C")), QStringLiteral("vt_series__C"));
}

void tst_UsbPortDetector::announcementParsing()
{
    const QByteArray content = "pid\t4242\n"
                               "/dev/pts/7\tUSB\\VID_04D8&PID_000A\tVT_SERIES__S1\n"
                               "broken line\n"
                               "\n"
                               "/dev/pts/9\tUSB\\VID_04D8&PID_000A\tS2\r\n"
                               "a\tb\tc\td\n";
    qint64 pid = 0;
    const QList<UsbDeviceRecord> records = UsbPortDetector::parseAnnouncement(content, &pid);
    QCOMPARE(pid, 4242);
    QCOMPARE(records.size(), 2);
    QCOMPARE(records.at(0).portName, QStringLiteral("/dev/pts/7"));
    QCOMPARE(records.at(0).location, QStringLiteral("VT_SERIES__S1"));
    QCOMPARE(records.at(1).location, QStringLiteral("S2"));
}

void tst_UsbPortDetector::simulatedPortsNeedTheirNode()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString present = dir.filePath(QStringLiteral("port0"));
    QFile node(present);
    QVERIFY(node.open(QIODevice::WriteOnly));
    node.close();
    const auto announce = [&](qint64 pid) {
        QFile file(dir.filePath(QStringLiteral("announce")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QStringLiteral("pid\t%1\n"
                                  "%2\tUSB\\VID_04D8&PID_000A\tVT_SERIES__P0\n"
                                  "%3\tUSB\\VID_04D8&PID_000A\tVT_SERIES__GONE\n")
                       .arg(pid)
                       .arg(present, dir.filePath(QStringLiteral("gone")))
                       .toUtf8());
    };
    announce(QCoreApplication::applicationPid());

    qputenv(UsbPortDetector::AnnounceVariable, dir.filePath(QStringLiteral("announce")).toUtf8());
    const QList<UsbDeviceRecord> records = UsbPortDetector::simulatedDevices();
    QCOMPARE(records.size(), 1);
    QCOMPARE(records.at(0).portName, present);
    const QList<UsbPortInfo> ports = UsbPortDetector::findUsbPorts();
    QVERIFY(ports.contains(UsbPortInfo{present, QStringLiteral("P0")}));

    // Left behind by a process that is gone, or naming none: ignored.
    announce(0x7ffffff0); // above any pid_max
    QVERIFY(UsbPortDetector::simulatedDevices().isEmpty());
    announce(0);
    QVERIFY(UsbPortDetector::simulatedDevices().isEmpty());

    qputenv(UsbPortDetector::AnnounceVariable, dir.filePath(QStringLiteral("missing")).toUtf8());
    QVERIFY(UsbPortDetector::simulatedDevices().isEmpty());
    qunsetenv(UsbPortDetector::AnnounceVariable);
    QVERIFY(UsbPortDetector::simulatedDevices().isEmpty());
}

// A port's node appearing or made again, or udev's entry for it written,
// changes the fingerprint; consoles and other nodes do not.
void tst_UsbPortDetector::fingerprintSeesPortNodesAndTheirUdevData()
{
    QTemporaryDir dev;
    QTemporaryDir udev;
    QVERIFY(dev.isValid() && udev.isValid());
    const auto touch = [](const QString &path) {
        QFile file(path);
        return file.open(QIODevice::WriteOnly);
    };
    const auto print = [&] { return SerialPortFingerprint::take(dev.path(), udev.path()); };
    const QByteArray none = print();
    QVERIFY(!none.isEmpty());
    QVERIFY(touch(dev.filePath("tty")) && touch(dev.filePath("tty5")) &&
            touch(dev.filePath("null")));
    QCOMPARE(print(), none);

    QVERIFY(touch(dev.filePath("ttyACM0")));
    const QByteArray plugged = print();
    QVERIFY(plugged != none);
    QCOMPARE(print(), plugged);
    // Pulled and plugged back under the same name; the old node is held
    // open so that the new one cannot reuse its inode.
    QFile old(dev.filePath("ttyACM0"));
    QVERIFY(old.open(QIODevice::ReadOnly));
    QVERIFY(QFile::remove(old.fileName()) && touch(old.fileName()));
    const QByteArray replugged = print();
    QVERIFY(replugged != plugged);
    // udev has written what it knows of the node (a file's device is 0:0).
    QVERIFY(touch(udev.filePath("c0:0")));
    QVERIFY(print() != replugged);

    QVERIFY(SerialPortFingerprint::take(dev.filePath("missing"), udev.path()).isEmpty());
    QVERIFY(SerialPortFingerprint::isSerialPortName("ttyUSB3"));
    QVERIFY(SerialPortFingerprint::isSerialPortName("rfcomm0"));
    QVERIFY(!SerialPortFingerprint::isSerialPortName("tty12"));
}

void tst_UsbPortDetector::portsEnumeratedAgainOnlyOnChangeOrAfterAWhile()
{
    int enumerations = 0;
    QByteArray print = "a";
    SystemPortCache cache(
        [&enumerations] {
            ++enumerations;
            return QList<UsbDeviceRecord>{{QStringLiteral("USB\\VID_04D8&PID_000A"),
                                           QStringLiteral("ttyACM%1").arg(enumerations),
                                           QStringLiteral("S")}};
        },
        [&print] { return print; });
    const auto port = [&cache](qint64 now) { return cache.devices(now).value(0).portName; };
    QCOMPARE(port(0), QStringLiteral("ttyACM1"));
    QCOMPARE(port(1500), QStringLiteral("ttyACM1"));
    QCOMPARE(enumerations, 1);
    print = "b";
    QCOMPARE(port(3000), QStringLiteral("ttyACM2"));
    QCOMPARE(port(3000 + SystemPortCache::FullScanMs - 1), QStringLiteral("ttyACM2"));
    QCOMPARE(port(3000 + SystemPortCache::FullScanMs), QStringLiteral("ttyACM3"));
    // Without a fingerprint every look enumerates.
    print.clear();
    port(40000);
    port(40001);
    QCOMPARE(enumerations, 5);
}

QTEST_GUILESS_MAIN(tst_UsbPortDetector)
#include "tst_UsbPortDetector.moc"
