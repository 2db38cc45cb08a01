#include "ConfiguredDevice.h"
#include "FakeViews.h"
#include "ReadingParser.h"
#include "RecorderInterval.h"
#include "SerialDevice.h"
#include "SimulatorProcess.h"
#include "UsbPortDetector.h"

#include "store/InsertSerialData.h"

#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

// USB devices end to end: the serial link against pseudo-terminals of the
// simulator, and the detection of the ports it announces.
class tst_SerialLink : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void answerReachesDevice();
    void splitAnswerIsJoined();
    void answerWithoutMarkerIsDropped();
    void staleFragmentIsNotJoinedToTheNextAnswer();
    void missingChannel();
    void markerHandling();
    void recordedRowsWhileRecording();
    void portVanishesAndComesBack();

private:
    ConfiguredDevice *openDevice(const QString &serial);
    QPointer<ConfiguredDevice> m_device;
    QTemporaryDir m_dir;
    SimulatorProcess *m_sim = nullptr;
    InsertSerialData *m_store = nullptr;
};

void tst_SerialLink::initTestCase()
{
    QVERIFY(m_dir.isValid());
    qRegisterMetaType<PendingRow>();
    const QString announce = m_dir.filePath(QStringLiteral("ports"));
    qputenv(UsbPortDetector::AnnounceVariable, announce.toUtf8());
    m_sim = new SimulatorProcess(this);
    QVERIFY2(
        m_sim->start({QStringLiteral("--usb"), QStringLiteral("SIMA1"), QStringLiteral("--usb"),
                      QStringLiteral("SIMB2"), QStringLiteral("--announce"), announce,
                      QStringLiteral("--discovery"), QStringLiteral("none")}),
        qPrintable(SimulatorProcess::binaryPath()));
    QVERIFY(!m_sim->usbPort(QStringLiteral("SIMA1")).isEmpty());
    m_store = new InsertSerialData(m_dir.filePath(QStringLiteral("serial.dat")),
                                   QStringLiteral("tstserial"), this);
    QVERIFY(m_store->createConnection());
    RecorderInterval::setCurrent(1000);
}

ConfiguredDevice *tst_SerialLink::openDevice(const QString &serial)
{
    auto *device = new ConfiguredDevice(serial, 1, this);
    device->setDeviceInfo(QStringLiteral("dev"), QStringLiteral("t"), QStringLiteral("h"),
                          m_sim->usbPort(serial), 23);
    return device;
}

void tst_SerialLink::answerReachesDevice()
{
    QScopedPointer<ConfiguredDevice> device(openDevice(QStringLiteral("SIMA1")));
    auto *serial = dynamic_cast<SerialDevice *>(device->link());
    QSignalSpy connected(serial, &SerialDevice::connected);
    QSignalSpy answers(serial, &SerialDevice::readyRead);
    QVERIFY(device->open());
    QVERIFY(serial->isOpen());
    QCOMPARE(connected.count(), 1);
    QVERIFY(device->connected);
    // The port reports its name without the /dev/ directory.
    QVERIFY(!serial->address().isEmpty());
    QVERIFY(m_sim->usbPort(QStringLiteral("SIMA1")).endsWith(serial->address()));

    const int before = m_sim->stat(QStringLiteral("SIMA1"), QStringLiteral("requests"));
    device->writeDevice();
    QVERIFY(answers.wait(10000));
    QVERIFY(QRegularExpression(QStringLiteral("^\\d+\\.\\d\\d,\\d+\\.\\d\\d\\n$"))
                .match(answers.at(0).at(0).toString())
                .hasMatch());
    QVERIFY(!device->ch1Value.isEmpty());
    QCOMPARE(m_sim->stat(QStringLiteral("SIMA1"), QStringLiteral("requests")), before + 1);

    device->close();
    QVERIFY(!serial->isOpen());
}

void tst_SerialLink::splitAnswerIsJoined()
{
    QScopedPointer<ConfiguredDevice> device(openDevice(QStringLiteral("SIMA1")));
    auto *serial = dynamic_cast<SerialDevice *>(device->link());
    QSignalSpy answers(serial, &SerialDevice::readyRead);
    QVERIFY(device->open());
    QCOMPARE(m_sim->command(QStringLiteral("fault SIMA1 split")),
             QStringLiteral("ok fault SIMA1 split"));
    for (int i = 0; i < 3; ++i) {
        device->writeDevice();
        QTRY_COMPARE_WITH_TIMEOUT(answers.count(), i + 1, 10000);
        QVERIFY(ReadingParser::parse(answers.last().at(0).toString()).valid);
    }
    QCOMPARE(m_sim->command(QStringLiteral("clear SIMA1")), QStringLiteral("ok clear SIMA1"));
}

void tst_SerialLink::answerWithoutMarkerIsDropped()
{
    QScopedPointer<ConfiguredDevice> device(openDevice(QStringLiteral("SIMA1")));
    auto *serial = dynamic_cast<SerialDevice *>(device->link());
    QSignalSpy answers(serial, &SerialDevice::readyRead);
    QVERIFY(device->open());
    m_sim->command(QStringLiteral("fault SIMA1 garbage"));
    const int before = m_sim->stat(QStringLiteral("SIMA1"), QStringLiteral("requests"));
    device->writeDevice();
    QTRY_COMPARE_WITH_TIMEOUT(m_sim->stat(QStringLiteral("SIMA1"), QStringLiteral("requests")),
                              before + 1, 10000);
    m_sim->command(QStringLiteral("clear SIMA1"));
    // The good answer after the garbage arrives alone and intact.
    device->writeDevice();
    QVERIFY(answers.wait(10000));
    QCOMPARE(answers.count(), 1);
    QVERIFY(ReadingParser::parse(answers.at(0).at(0).toString()).valid);
}

void tst_SerialLink::staleFragmentIsNotJoinedToTheNextAnswer()
{
    QScopedPointer<ConfiguredDevice> device(openDevice(QStringLiteral("SIMA1")));
    auto *serial = dynamic_cast<SerialDevice *>(device->link());
    QSignalSpy answers(serial, &SerialDevice::readyRead);
    QVERIFY(device->open());
    m_sim->command(QStringLiteral("fragment SIMA1 ATCD 23.4"));
    // The link reads the port before anyone else hears of it: once the
    // fragment has been read, the link has had its chance to take it for an
    // answer.
    QSignalSpy portReads(serial->port(), &QIODevice::readyRead);
    device->writeDevice();
    QTRY_VERIFY_WITH_TIMEOUT(!portReads.isEmpty(), 10000);
    QCOMPARE(answers.count(), 0);
    m_sim->command(QStringLiteral("answer SIMA1 ATCD 23.45,56.70"));
    device->writeDevice();
    QVERIFY(answers.wait(10000));
    QCOMPARE(answers.count(), 1);
    QCOMPARE(answers.at(0).at(0).toString(), QStringLiteral("23.45,56.70\n"));
    QCOMPARE(device->ch1Value, QStringLiteral("23.45"));
    QCOMPARE(device->ch2Value, QStringLiteral("56.70"));
}

void tst_SerialLink::missingChannel()
{
    QScopedPointer<ConfiguredDevice> device(openDevice(QStringLiteral("SIMB2")));
    QVERIFY(device->open());
    m_sim->command(QStringLiteral("fault SIMB2 missing1"));
    device->writeDevice();
    QTRY_COMPARE_WITH_TIMEOUT(device->ch1Value, QStringLiteral("----"), 10000);
    QVERIFY(!device->ch2Value.isEmpty());
    m_sim->command(QStringLiteral("clear SIMB2"));
}

void tst_SerialLink::markerHandling()
{
    QScopedPointer<ConfiguredDevice> device(openDevice(QStringLiteral("SIMB2")));
    auto *serial = dynamic_cast<SerialDevice *>(device->link());
    QSignalSpy answers(serial, &SerialDevice::readyRead);
    QVERIFY(device->open());

    m_sim->command(QStringLiteral("answer SIMB2 ATCD 23.45,56.70"));
    device->writeDevice();
    QVERIFY(answers.wait(10000));
    QCOMPARE(answers.at(0).at(0).toString(), QStringLiteral("23.45,56.70\n"));

    m_sim->command(QStringLiteral("answer SIMB2 ATCD 1.00,ATCD2.00"));
    device->writeDevice();
    QVERIFY(answers.wait(10000));
    QCOMPARE(answers.at(1).at(0).toString(), QStringLiteral("1.00,2.00\n"));

    // The marker is case-sensitive: a stale lower-case line arriving with a
    // good answer is dropped on its own.
    m_sim->command(QStringLiteral("answer SIMB2 atcd 3.00,4.00\\r\\nATCD 5.00,6.00\\r\\n"));
    device->writeDevice();
    QVERIFY(answers.wait(10000));
    QCOMPARE(answers.at(2).at(0).toString(), QStringLiteral("5.00,6.00\n"));
    QCOMPARE(device->ch1Value, QStringLiteral("5.00"));

    // Alone it yields nothing; the answer after it (same line, so surely
    // later) is the only one that arrives.
    m_sim->command(QStringLiteral("answer SIMB2 atcd 7.00,8.00"));
    device->writeDevice();
    device->writeDevice();
    QVERIFY(answers.wait(10000));
    QCOMPARE(answers.count(), 4);
    QVERIFY(!answers.at(3).at(0).toString().startsWith(QLatin1String("7.00")));
}

void tst_SerialLink::recordedRowsWhileRecording()
{
    QScopedPointer<ConfiguredDevice> device(openDevice(QStringLiteral("SIMB2")));
    QVERIFY(device->open());
    auto *serial = dynamic_cast<SerialDevice *>(device->link());
    QSignalSpy answers(serial, &SerialDevice::readyRead);
    QSignalSpy rows(device.data(), &ConfiguredDevice::rowRecorded);
    device->recording = true;
    device->writeDevice();
    QVERIFY(answers.wait(10000));
    device->refreshDevice();
    QTRY_COMPARE_WITH_TIMEOUT(answers.count(), 2, 10000);
    device->writeDevice();
    QTRY_COMPARE_WITH_TIMEOUT(answers.count(), 3, 10000);
    QCOMPARE(rows.count(), 2);
    device->insertNoValue();
    QCOMPARE(rows.count(), 3);
    StoreBatch batch;
    for (const QList<QVariant> &row : qAsConst(rows))
        batch.readings.append(row.at(0).value<PendingRow>());
    QCOMPARE(m_store->write(batch), InsertSerialData::Outcome::Written);
    QCOMPARE(m_store->endDateTime(), quint64(batch.readings.last().pointDate));
}

void tst_SerialLink::portVanishesAndComesBack()
{
    const auto hasSerial = [](const QString &serial) {
        const QList<UsbPortInfo> ports = UsbPortDetector::findUsbPorts();
        for (const UsbPortInfo &port : ports)
            if (port.serialNumber == serial)
                return port.portName;
        return QString();
    };
    const QString firstPort = hasSerial(QStringLiteral("SIMA1"));
    QCOMPARE(firstPort, m_sim->usbPort(QStringLiteral("SIMA1")));
    QVERIFY(!hasSerial(QStringLiteral("SIMB2")).isEmpty());

    QScopedPointer<ConfiguredDevice> device(openDevice(QStringLiteral("SIMA1")));
    FakeListEntry entry;
    device->setListItem(&entry);
    QVERIFY(device->open());
    QVERIFY(device->connected);

    QVERIFY(m_sim->command(QStringLiteral("vanish SIMA1")).startsWith(QLatin1String("ok")));
    QTRY_VERIFY_WITH_TIMEOUT(!device->connected, 10000);
    QVERIFY(entry.calls.contains(QStringLiteral("disconnected SIMA1")));
    QVERIFY(hasSerial(QStringLiteral("SIMA1")).isEmpty());
    QVERIFY(!hasSerial(QStringLiteral("SIMB2")).isEmpty());
    // Polling a vanished port must not bring it back to life.
    device->writeDevice();
    QVERIFY(!device->connected);

    const QString restored = m_sim->command(QStringLiteral("restore SIMA1"));
    QVERIFY2(restored.startsWith(QLatin1String("ok restore SIMA1")), qPrintable(restored));
    const QString newPort = hasSerial(QStringLiteral("SIMA1"));
    QVERIFY(!newPort.isEmpty());

    // What the main window does when the serial number shows up on a port.
    device->close();
    device->setDeviceInfo(device->settings().deviceName, device->settings().ch1Name,
                          device->settings().ch2Name, newPort, 23);
    QVERIFY(device->open());
    QVERIFY(device->connected);
    auto *serial = dynamic_cast<SerialDevice *>(device->link());
    QSignalSpy answers(serial, &SerialDevice::readyRead);
    device->writeDevice();
    QVERIFY(answers.wait(10000));
    QVERIFY(!device->ch1Value.isEmpty());
}

QTEST_GUILESS_MAIN(tst_SerialLink)
#include "tst_SerialLink.moc"
