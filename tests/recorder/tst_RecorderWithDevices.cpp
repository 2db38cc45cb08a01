#include "FormWidgets.h"
#include "MoravinMain.h"
#include "SimulatorProcess.h"
#include "control/RecordingSession.h"
#include "core/NoValue.h"
#include "core/ProjectFile.h"
#include "device/AbstractDevice.h"
#include "device/AvailableDevice.h"
#include "device/ConfiguredDevice.h"
#include "device/UsbPortDetector.h"
#include "display/ChartView.h"
#include "display/DashBoardDeviceItem.h"
#include "panels/ProjectCenter.h"

#include <QAction>
#include <QLabel>

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

namespace {

struct Counts
{
    int values = 0;
    int gaps = 0;
};

QStringList events(const QString &path)
{
    QStringList list;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "events");
        db.setDatabaseName(path);
        if (db.open()) {
            QSqlQuery q(db);
            q.exec("select kind, serialno from events where kind like 'comm%' order by id");
            while (q.next())
                list << q.value(0).toString() + ' ' + q.value(1).toString();
        }
    }
    QSqlDatabase::removeDatabase("events");
    return list;
}

// Seconds from a device's newest reading before its first gap row to that row.
qint64 firstGapAfter(const QString &path, const QString &serial)
{
    qint64 step = -1;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "gap");
        db.setDatabaseName(path);
        if (db.open()) {
            QSqlQuery q(db);
            q.exec("select pointDate, channel1 is null and channel2 is null from kelvantis "
                   "where serialno = '" +
                   serial + "' order by id");
            qint64 last = -1;
            while (q.next() && step < 0) {
                if (q.value(1).toBool())
                    step = q.value(0).toLongLong() - last;
                else
                    last = qMax(last, q.value(0).toLongLong());
            }
        }
    }
    QSqlDatabase::removeDatabase("gap");
    return step;
}

QHash<QString, Counts> rowsBySerial(const QString &path)
{
    QHash<QString, Counts> counts;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "check");
        db.setDatabaseName(path);
        if (db.open()) {
            QSqlQuery q(db);
            q.exec("select serialno, channel1, channel2 from kelvantis");
            while (q.next()) {
                Counts &c = counts[q.value(0).toString()];
                if (q.value(1).isNull() && q.value(2).isNull())
                    ++c.gaps;
                else
                    ++c.values;
            }
        }
    }
    QSqlDatabase::removeDatabase("check");
    return counts;
}

} // namespace

class TestRecorderWithDevices : public QObject
{
    Q_OBJECT
private:
    QTemporaryDir m_dir;

private slots:
    void recordsUsbAndLanDevicesIntoTheProjectDatabase()
    {
        const QString announce = m_dir.filePath("ports.txt");
        qputenv(UsbPortDetector::AnnounceVariable, announce.toLocal8Bit());
        SimulatorProcess simulator;
        QVERIFY(simulator.start({"--announce", announce, "--discovery", "none", "--usb", "SIMUSB01",
                                 "--lan", "127.0.0.31:0/00AA11BB22CC"}));
        const QString ptyPort = simulator.usbPort("SIMUSB01");
        QVERIFY(!ptyPort.isEmpty());
        const SimulatorProcess::Lan lan = simulator.lan(0);
        QVERIFY(lan.port != 0);

        DeviceSettings usb;
        usb.deviceNumber = "SIMUSB01";
        usb.deviceInterface = DeviceSettings::Usb;
        usb.interfaceAddress = "ttyGONE9";
        usb.ch1Max = 100;
        usb.ch2Max = 100;
        DeviceSettings net;
        net.deviceNumber = "00AA11BB22CC";
        net.deviceInterface = DeviceSettings::Lan;
        net.interfaceAddress = lan.address;
        net.tcpPort = lan.port;
        const QString path = m_dir.filePath("Plant.qpj");
        const ProjectFile project(path);
        QVERIFY(project.writeHeader("Plant", 1000, "Plant.dat"));
        QVERIFY(project.saveDeviceList({usb, net}));

        MoravinMain window;
        window.projectLoaded(path);
        QVERIFY(window.isProjectOpen());

        // The USB device was found on its new port and the project saved with it.
        ConfiguredDevice *usbDevice = window.deviceList().at(0);
        QTRY_COMPARE(usbDevice->settings().interfaceAddress, ptyPort);
        const auto saved = project.loadDeviceList(DeviceListCodec::Reader::Recorder);
        QCOMPARE(saved.devices.at(0).interfaceAddress, ptyPort);
        QCOMPARE(saved.devices.at(1).interfaceAddress, lan.address);
        QCOMPARE(window.availDeviceList().size(), 1);
        QCOMPARE(window.availDeviceList().at(0)->address, ptyPort);

        QTRY_VERIFY_WITH_TIMEOUT(usbDevice->connected && !usbDevice->ch1Value.isEmpty(), 10000);
        QTRY_VERIFY_WITH_TIMEOUT(!window.deviceList().at(1)->ch1Value.isEmpty(), 10000);

        // Every answer while recording is a row: three from each device.
        QSignalSpy usbAnswers(dynamic_cast<QObject *>(usbDevice->link()),
                              SIGNAL(readyRead(QString)));
        QSignalSpy lanAnswers(dynamic_cast<QObject *>(window.deviceList().at(1)->link()),
                              SIGNAL(readyRead(QString)));
        QVERIFY(usbAnswers.isValid() && lanAnswers.isValid());
        window.slotToggleRecord();
        QVERIFY(window.isRecording());
        QTRY_VERIFY_WITH_TIMEOUT(usbAnswers.count() >= 3 && lanAnswers.count() >= 3, 30000);
        window.slotToggleRecord();
        QVERIFY(!window.isRecording());
        QTRY_COMPARE(window.session()->waitingReadings(), 0);

        const auto counts = rowsBySerial(m_dir.filePath("Plant.dat"));
        QCOMPARE(counts.size(), 2);
        for (const QString &serial : {QStringLiteral("SIMUSB01"), QStringLiteral("00AA11BB22CC")}) {
            QVERIFY2(counts.value(serial).values >= 3, qPrintable(serial));
            QCOMPARE(counts.value(serial).gaps, 1);
        }
    }

    void vanishingUsbPortIsDroppedAndFoundAgain()
    {
        const QString announce = m_dir.filePath("ports2.txt");
        qputenv(UsbPortDetector::AnnounceVariable, announce.toLocal8Bit());
        SimulatorProcess simulator;
        QVERIFY(
            simulator.start({"--announce", announce, "--discovery", "none", "--usb", "SIMUSB02"}));
        MoravinMain window;
        window.session()->checkUsbPorts();
        QTRY_COMPARE(window.availDeviceList().size(), 1);

        QVERIFY(simulator.command("vanish SIMUSB02").startsWith("ok"));
        QTRY_VERIFY_WITH_TIMEOUT(
            (window.session()->checkUsbPorts(), window.availDeviceList().isEmpty()), 5000);
        QVERIFY(simulator.command("restore SIMUSB02").startsWith("ok"));
        QTRY_VERIFY_WITH_TIMEOUT(
            (window.session()->checkUsbPorts(), window.availDeviceList().size() == 1), 5000);
        QCOMPARE(window.availDeviceList().at(0)->deviceNumber, QStringLiteral("SIMUSB02"));
        QCOMPARE(window.availDeviceList().at(0)->interfaceType, 1);
    }

    void pulledUsbDeviceAndSilentLanDeviceTurnGrey()
    {
        const QString announce = m_dir.filePath("ports3.txt");
        qputenv(UsbPortDetector::AnnounceVariable, announce.toLocal8Bit());
        SimulatorProcess simulator;
        QVERIFY(simulator.start({"--announce", announce, "--discovery", "none", "--usb", "SIMUSB03",
                                 "--lan", "127.0.0.32:0/00AA11BB22DD"}));
        DeviceSettings usb;
        usb.deviceNumber = "SIMUSB03";
        usb.deviceInterface = DeviceSettings::Usb;
        usb.interfaceAddress = simulator.usbPort("SIMUSB03");
        DeviceSettings net;
        net.deviceNumber = "00AA11BB22DD";
        net.deviceInterface = DeviceSettings::Lan;
        net.interfaceAddress = simulator.lan(0).address;
        net.tcpPort = simulator.lan(0).port;
        const QString path = m_dir.filePath("Pull.qpj");
        QVERIFY(ProjectFile(path).writeHeader("Pull", 1000, "Pull.dat"));
        QVERIFY(ProjectFile(path).saveDeviceList({usb, net}));

        MoravinMain window;
        window.projectLoaded(path);
        ConfiguredDevice *usbDevice = window.deviceList().at(0);
        ConfiguredDevice *lanDevice = window.deviceList().at(1);
        ProjectCenter *center = window.projectCenter();
        center->slotDeviceClicked(usbDevice);
        auto *number = center->chartView()->findChild<QLabel *>("label_ch1_number");
        QTRY_VERIFY_WITH_TIMEOUT(!number->text().isEmpty(), 10000);
        QTRY_VERIFY_WITH_TIMEOUT(!lanDevice->ch1Value.isEmpty(), 10000);

        window.slotStartRecord();

        // Pulled while its chart panel is shown: the panel empties, the
        // recorder goes on, and the device comes back on its port.
        QVERIFY(simulator.command("vanish SIMUSB03").startsWith("ok"));
        QTRY_VERIFY_WITH_TIMEOUT(!usbDevice->connected, 10000);
        QVERIFY(number->text().isEmpty());
        QVERIFY(center->chartView()
                    ->findChild<QFrame *>("frame_ch1_value")
                    ->styleSheet()
                    .contains("rgba(80, 80, 80, 255)"));
        QVERIFY(simulator.command("restore SIMUSB03").startsWith("ok"));
        QTRY_VERIFY_WITH_TIMEOUT(!number->text().isEmpty(), 15000);

        // A LAN device that stops answering is declared gone after 5 misses at 1 s.
        QVERIFY(simulator.command("fault 00AA11BB22DD silent").startsWith("ok"));
        QTRY_VERIFY_WITH_TIMEOUT(!lanDevice->connected, 15000);
        QVERIFY(lanDevice->ch1Value.isEmpty());
        DashBoardDeviceItem *tile = nullptr;
        for (DashBoardDeviceItem *t : center->findChildren<DashBoardDeviceItem *>())
            if (t->device() == lanDevice && t->isChannel1())
                tile = t;
        QVERIFY(tile);
        QVERIFY(tile->findChild<QLabel *>("label_number")->text().isEmpty());
        QVERIFY(window.isProjectOpen());

        // Grey for more than five polls: a communication alarm, which sounds
        // until acknowledged; the project can turn it off.
        QTRY_VERIFY_WITH_TIMEOUT(window.unattended()->unacknowledged(), 15000);
        window.session()->tick();
        QVERIFY(window.isAudioPlaying());
        QAction *commAlarm =
            FormWidgets::action(window.projectMenu(), "Alarm When A Device Is Lost");
        QVERIFY(commAlarm && commAlarm->isChecked());
        commAlarm->trigger();
        QVERIFY(!window.isAudioPlaying() && !window.unattended()->unacknowledged());
        QCOMPARE(ProjectFile(path).readValue("Alarm/CommunicationAlarm").toString(),
                 QStringLiteral("false"));
        commAlarm->trigger();
        QVERIFY(window.isAudioPlaying());
        window.unattended()->acknowledge();
        QVERIFY(!window.isAudioPlaying());

        // Answering again; each outage is one gap row and a lost and back event.
        QVERIFY(simulator.command("clear 00AA11BB22DD").startsWith("ok"));
        QTRY_VERIFY_WITH_TIMEOUT(lanDevice->connected, 15000);
        window.session()->tick();
        window.slotStopRecord();
        window.slotCloseProject();
        QTRY_VERIFY(!window.session()->isOpen() && window.session()->waitingReadings() == 0);
        QTRY_VERIFY(!window.session()->isClosing());
        const auto counts = rowsBySerial(m_dir.filePath("Pull.dat"));
        // The outage's and the stop's.
        QCOMPARE(counts.value("SIMUSB03").gaps, 2);
        QCOMPARE(counts.value("00AA11BB22DD").gaps, 2);
        // The silent device's one interval after its last reading, not five
        // polls later when it was declared gone.
        QCOMPARE(firstGapAfter(m_dir.filePath("Pull.dat"), "00AA11BB22DD"), qint64(1));
        QCOMPARE(events(m_dir.filePath("Pull.dat")),
                 QStringList({"comm_lost SIMUSB03", "comm_back SIMUSB03", "comm_lost 00AA11BB22DD",
                              "comm_back 00AA11BB22DD"}));
    }
};

QTEST_MAIN(TestRecorderWithDevices)
#include "tst_RecorderWithDevices.moc"
