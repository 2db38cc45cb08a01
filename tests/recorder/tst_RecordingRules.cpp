#include "control/AlarmSoundDecision.h"
#include "control/DatabaseSize.h"
#include "control/FlushSchedule.h"
#include "control/FoundDevices.h"
#include "control/UsbPortWatch.h"
#include "device/AbstractDevice.h"
#include "device/AvailableDevice.h"
#include "device/ConfiguredDevice.h"
#include "device/UsbPortInfo.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

// The decisions of recording control that need no window.
class TestRecordingRules : public QObject
{
    Q_OBJECT
private slots:
    void flushWaitsForABatchWhileRecordingAndDrainsAfter()
    {
        QCOMPARE(FlushSchedule::threshold(0), 8);
        QCOMPARE(FlushSchedule::threshold(1), 8);
        QCOMPARE(FlushSchedule::threshold(2), 16);
        QCOMPARE(FlushSchedule::threshold(16), 16);
        QVERIFY(!FlushSchedule::isDue(true, 7, 1));
        QVERIFY(FlushSchedule::isDue(true, 8, 1));
        QVERIFY(!FlushSchedule::isDue(true, 15, 2));
        QVERIFY(FlushSchedule::isDue(true, 16, 2));
        // A few readings at a slow interval wait no longer than 5 s.
        QVERIFY(!FlushSchedule::isDue(true, 1, 1, 4999));
        QVERIFY(FlushSchedule::isDue(true, 1, 1, 5000));
        QVERIFY(FlushSchedule::isDue(true, 3, 16, 5000));
        QVERIFY(!FlushSchedule::isDue(true, 0, 1, 60000));
        // After the stop, whatever a failed flush left behind is due at once.
        QVERIFY(FlushSchedule::isDue(false, 1, 5));
        QVERIFY(!FlushSchedule::isDue(false, 0, 5));
        QVERIFY(FlushSchedule::keepsRunning(true, 0));
        QVERIFY(FlushSchedule::keepsRunning(false, 3));
        QVERIFY(!FlushSchedule::keepsRunning(false, 0));
    }

    void usbWatchReportsOnlyChanges()
    {
        const UsbPortInfo a{"ttyACM0", "KV1"};
        const UsbPortInfo b{"ttyACM1", "KV2"};
        UsbPortWatch watch;
        QCOMPARE(watch.check({}, 0), UsbPortWatch::NoChange);
        QCOMPARE(watch.check({a}, 0), UsbPortWatch::PortsChanged);
        QCOMPARE(watch.check({a}, 1), UsbPortWatch::NoChange);
        // A second device.
        QCOMPARE(watch.check({a, b}, 1), UsbPortWatch::PortsChanged);
        QCOMPARE(watch.check({b, a}, 2), UsbPortWatch::NoChange);
        // One of two pulled.
        QCOMPARE(watch.check({b}, 2), UsbPortWatch::PortsChanged);
        // Moved to another port between two scans: the count stays.
        QCOMPARE(watch.check({{"ttyACM4", "KV2"}}, 1), UsbPortWatch::PortsChanged);
        QCOMPARE(watch.check({{"ttyACM4", "KV2"}}, 1), UsbPortWatch::NoChange);
        // The last one pulled: reported once, not on every later scan.
        QCOMPARE(watch.check({}, 1), UsbPortWatch::AllPortsDown);
        QCOMPARE(watch.check({}, 0), UsbPortWatch::NoChange);
        QCOMPARE(watch.check({}, 0), UsbPortWatch::NoChange);
        // A forced scan rebuilds what it finds, and an empty one drops the records.
        QCOMPARE(watch.check({a}, 0), UsbPortWatch::PortsChanged);
        watch.force();
        QCOMPARE(watch.check({a}, 1), UsbPortWatch::PortsChanged);
        watch.force();
        QCOMPARE(watch.check({}, 1), UsbPortWatch::AllPortsDown);
        watch.force();
        QCOMPARE(watch.check({}, 0), UsbPortWatch::NoChange);
    }

    void usbRecordsAreRebuiltAndLanRecordsKept()
    {
        FoundDevices found;
        QSignalSpy changed(&found, &FoundDevices::changed);
        found.mergeLan({"001EC01234AB", "127.0.0.5", 2323, 2});
        found.scanUsb({{"ttyACM0", "KV1"}, {"ttyACM1", "KV2"}}, {});
        QCOMPARE(changed.count(), 1);
        QCOMPARE(found.all().size(), 3);
        QCOMPARE(found.usb().size(), 2);
        QCOMPARE(found.usb().at(1)->address, QStringLiteral("ttyACM1"));
        QCOMPARE(found.usb().at(1)->interfaceType, 1);
        QCOMPARE(found.usb().at(1)->port, quint16(23));
        found.scanUsb({{"ttyACM0", "KV1"}, {"ttyACM1", "KV2"}}, {});
        QCOMPARE(changed.count(), 1);
        // The device moved to another port; the other one is gone.
        found.scanUsb({{"ttyACM3", "KV2"}}, {});
        QCOMPARE(changed.count(), 2);
        QCOMPARE(found.all().size(), 2);
        QCOMPARE(found.usb().size(), 1);
        QCOMPARE(found.usb().at(0)->deviceNumber, QStringLiteral("KV2"));
        QCOMPARE(found.usb().at(0)->address, QStringLiteral("ttyACM3"));
        found.scanUsb({}, {});
        QCOMPARE(found.all().size(), 1);
        QCOMPARE(found.all().at(0)->interfaceType, 2);
        QVERIFY(found.usb().isEmpty());
        found.clear();
        QVERIFY(found.all().isEmpty());
    }

    // Two ports that report one serial number must not move the device
    // between them, nor rebuild and save on every scan.
    void aSerialNumberOnTwoPortsIsOneDeviceOnOnePort()
    {
        const QList<UsbPortInfo> ports{{"ttyACM0", "KV1"}, {"ttyACM1", "KV1"}, {"ttyACM2", "KV2"}};
        QCOMPARE(FoundDevices::uniqueSerials(ports),
                 (QList<UsbPortInfo>{{"ttyACM0", "KV1"}, {"ttyACM2", "KV2"}}));

        FoundDevices found;
        QSignalSpy changed(&found, &FoundDevices::changed);
        QSignalSpy moved(&found, &FoundDevices::devicePortsChanged);
        ConfiguredDevice device("KV1", 1);
        device.setDeviceInfo("Cellar", "CH1", "CH2", "ttyACM1", 23);
        for (int scan = 0; scan < 5; ++scan)
            found.scanUsb(ports, {&device});
        QCOMPARE(changed.count(), 1);
        QCOMPARE(moved.count(), 1);
        QCOMPARE(found.usb().size(), 2);
        QCOMPARE(device.settings().interfaceAddress, QStringLiteral("ttyACM0"));
        QCOMPARE(device.link()->address(), QStringLiteral("ttyACM0"));
    }

    void databaseSizeTextWarningAndLimit()
    {
        QCOMPARE(DatabaseSize::text(3221225472LL), QStringLiteral("Database 3072.00MB"));
        QCOMPARE(DatabaseSize::text(0), QStringLiteral("Database 0.00MB"));
        QCOMPARE(DatabaseSize::text(1572864), QStringLiteral("Database 1.50MB"));
        QVERIFY(DatabaseSize::isWarning(3221225472LL));
        QVERIFY(!DatabaseSize::isWarning(3221225471LL));
        QVERIFY(!DatabaseSize::reachesLimit(4187593113LL));
        QVERIFY(DatabaseSize::reachesLimit(4187593114LL));

        QTemporaryDir dir;
        const QString path = dir.filePath("p.dat");
        for (const auto &file : {std::make_pair(path, 1000), std::make_pair(path + "-wal", 24)}) {
            QFile f(file.first);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(QByteArray(file.second, 'x'));
        }
        QCOMPARE(DatabaseSize::onDisk(path), qint64(1024));
        QVERIFY(QFile::remove(path + "-wal"));
        QCOMPARE(DatabaseSize::onDisk(path), qint64(1000));
    }

    void alarmSoundStartsOnceAndStopsWithoutAlarm()
    {
        ConfiguredDevice a("A", 2);
        ConfiguredDevice b("B", 2);
        const QList<ConfiguredDevice *> devices{&a, nullptr, &b};
        QCOMPARE(AlarmSoundDecision::decide(devices, false), AlarmSoundDecision::Stop);
        b.ch2Alarm = true;
        QCOMPARE(AlarmSoundDecision::decide(devices, false), AlarmSoundDecision::Play);
        QCOMPARE(AlarmSoundDecision::decide(devices, true), AlarmSoundDecision::Keep);
        a.ch1Alarm = true;
        QCOMPARE(AlarmSoundDecision::decide(devices, true), AlarmSoundDecision::Keep);
        a.ch1Alarm = b.ch2Alarm = false;
        QCOMPARE(AlarmSoundDecision::decide(devices, true), AlarmSoundDecision::Stop);
        QCOMPARE(AlarmSoundDecision::decide({}, true), AlarmSoundDecision::Stop);
    }
};

QTEST_GUILESS_MAIN(TestRecordingRules)
#include "tst_RecordingRules.moc"
