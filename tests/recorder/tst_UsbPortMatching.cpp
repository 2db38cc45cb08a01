// The project's USB devices are matched to the ports their serial numbers are
// found on. The ports are pseudo-terminals announced as the device family's,
// the way the simulator announces its devices.
#include "MoravinMain.h"
#include "core/ProjectFile.h"
#include "device/AbstractDevice.h"
#include "device/ConfiguredDevice.h"
#include "device/UsbPortDetector.h"

#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

#include <pty.h>
#include <unistd.h>

namespace {

// A pseudo-terminal pair; the recorder opens the terminal side.
class Pty
{
public:
    Pty()
    {
        char name[128] = {};
        if (openpty(&m_master, &m_slave, name, nullptr, nullptr) == 0)
            m_path = QString::fromLocal8Bit(name);
    }
    ~Pty()
    {
        if (m_master >= 0)
            ::close(m_master);
        if (m_slave >= 0)
            ::close(m_slave);
    }
    QString path() const { return m_path; }

private:
    int m_master = -1;
    int m_slave = -1;
    QString m_path;
};

} // namespace

class TestUsbPortMatching : public QObject
{
    Q_OBJECT
private:
    QTemporaryDir m_dir;

    void announce(const QList<QPair<QString, QString>> &ports)
    {
        const QString file = m_dir.filePath("ports");
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(QByteArray("pid\t") + QByteArray::number(QCoreApplication::applicationPid()) +
                "\n");
        for (const auto &port : ports)
            f.write(port.first.toLocal8Bit() + "\tUSB\\VID_04D8&PID_000A&REV_0100\tVT_SERIES__" +
                    port.second.toLocal8Bit() + "\n");
        qputenv(UsbPortDetector::AnnounceVariable, file.toLocal8Bit());
    }

private slots:
    void init() { QSettings("MoravinLite", "Moravin Lite").clear(); }

    // Two ports that report one serial number: the device is opened on one
    // of them once, and scans that find the same ports again change nothing
    // - above all not the project file, whose "Backup" keeps the list before.
    void serialNumberOnTwoPortsIsOpenedOnceAndSavedOnce()
    {
        Pty first;
        Pty second;
        QVERIFY(!first.path().isEmpty() && !second.path().isEmpty());
        announce({{first.path(), "KVDUP1"}, {second.path(), "KVDUP1"}});

        DeviceSettings usb;
        usb.deviceNumber = "KVDUP1";
        usb.deviceInterface = DeviceSettings::Usb;
        usb.interfaceAddress = "ttyGONE3";
        const QString path = m_dir.filePath("Dup.qpj");
        const ProjectFile project(path);
        QVERIFY(project.writeHeader("Dup", 10000, "Dup.dat"));
        QVERIFY(project.saveDeviceList({usb}));
        const QByteArray listBefore = project.readValue("DeviceList").toByteArray();

        MoravinMain w;
        QSignalSpy scanned(w.session(), &RecordingSession::usbScanned);
        w.projectLoaded(path);
        ConfiguredDevice *device = w.deviceList().at(0);
        QVERIFY(scanned.wait());
        QCOMPARE(device->settings().interfaceAddress, first.path());
        QVERIFY(device->link()->isOpen());
        QCOMPARE(project.readValue("Backup").toByteArray(), listBefore);
        const QByteArray listAfter = project.readValue("DeviceList").toByteArray();
        QVERIFY(listAfter != listBefore);

        for (int scan = 0; scan < 4; ++scan) {
            w.session()->checkUsbPorts();
            QVERIFY(scanned.wait());
        }
        QCOMPARE(device->settings().interfaceAddress, first.path());
        QVERIFY(device->link()->isOpen());
        QCOMPARE(project.readValue("Backup").toByteArray(), listBefore);
        QCOMPARE(project.readValue("DeviceList").toByteArray(), listAfter);
        QCOMPARE(w.availDeviceList().size(), 1);

        // The port it is on goes: it moves to the other one, once.
        announce({{second.path(), "KVDUP1"}});
        for (int scan = 0; scan < 3; ++scan) {
            w.session()->checkUsbPorts();
            QVERIFY(scanned.wait());
        }
        QCOMPARE(device->settings().interfaceAddress, second.path());
        QCOMPARE(project.readValue("Backup").toByteArray(), listAfter);
        w.slotCloseProject();
    }
};

QTEST_MAIN(TestUsbPortMatching)
#include "tst_UsbPortMatching.moc"
