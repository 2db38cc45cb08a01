#include "ChartTime.h"
#include "ConfiguredDevice.h"
#include "FakeViews.h"
#include "RecorderInterval.h"
#include "SerialDevice.h"
#include "TelnetDevice.h"

#include "core/NoValue.h"
#include "store/InsertSerialData.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QtTest>

// The configured device without a wire: answers are fed through its link's
// readyRead signal, the database is a real SQLite file.
class tst_ConfiguredDevice : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void initialStateAndLinks();
    void linkAnswersToInterfaceQueries();
    void readingReachesViewsAndChart();
    void missingValueLeavesGapWithoutAlarm();
    void unparsableReadingStillConnects();
    void alarmsFollowLimits();
    void recordVersusRefreshPolls();
    void onePollGivesAtMostOneRow();
    void unansweredRefreshSuppressesNextRow();
    void rowsReachTheDatabase();
    void gapRowOneIntervalLater();
    void disconnectClearsReadingsAndAlarms();
    void clearedViewsAreNotCalled();
    void lanMissCounting_data();
    void lanMissCounting();
    void interfaceNoneDoesNothing();
    void settingsRoundTrip();
    void dialogueOnlyForLanDevices();

private:
    static void feed(ConfiguredDevice &device, const QString &text);
    // Writes the rows the device handed over, as the recording's writer does.
    bool store(const QSignalSpy &rows);
    QTemporaryDir m_dir;
    InsertSerialData *m_store = nullptr;
};

void tst_ConfiguredDevice::init()
{
    RecorderInterval::setCurrent(10000);
    qRegisterMetaType<PendingRow>();
    m_store = new InsertSerialData(
        m_dir.filePath(QLatin1String(QTest::currentTestFunction()) + QLatin1String(".dat")),
        QStringLiteral("tst"), this);
    QVERIFY(m_store->createConnection());
}

void tst_ConfiguredDevice::cleanup()
{
    delete m_store;
    m_store = nullptr;
}

bool tst_ConfiguredDevice::store(const QSignalSpy &rows)
{
    StoreBatch batch;
    for (const QList<QVariant> &row : rows)
        batch.readings.append(row.at(0).value<PendingRow>());
    return m_store->write(batch) == InsertSerialData::Outcome::Written;
}

void tst_ConfiguredDevice::feed(ConfiguredDevice &device, const QString &text)
{
    QObject *link = dynamic_cast<QObject *>(device.link());
    QVERIFY(link);
    QVERIFY(QMetaObject::invokeMethod(link, "readyRead", Q_ARG(QString, text)));
}

void tst_ConfiguredDevice::initialStateAndLinks()
{
    const QDateTime before = QDateTime::currentDateTime();
    ConfiguredDevice usb(QStringLiteral("S1"), 1);
    QCOMPARE(usb.settings().deviceNumber, QStringLiteral("S1"));
    QCOMPARE(usb.settings().deviceInterface, 1);
    QCOMPARE(usb.settings().tcpPort, quint16(23));
    QCOMPARE(usb.settings().buzzerAlarm, QStringLiteral("OFF"));
    QCOMPARE(usb.newBuzzerAlarm, QStringLiteral("OFF"));
    QVERIFY(!usb.connected && !usb.recording && !usb.refreshPending);
    QVERIFY(usb.lastTime >= before.addSecs(-1));
    QCOMPARE(usb.syncState(), 0);
    QVERIFY(dynamic_cast<SerialDevice *>(usb.link()));
    QCOMPARE(usb.link()->interfaceType(), 1);

    double times[ChartHistory::Size];
    double ch1[ChartHistory::Size];
    double ch2[ChartHistory::Size];
    usb.chartData(times, ch1, ch2);
    for (int i = 0; i < ChartHistory::Size; ++i)
        QVERIFY(times[i] == NoValue && ch1[i] == NoValue && ch2[i] == NoValue);

    ConfiguredDevice lan(QStringLiteral("001EC01234AB"), 2);
    QVERIFY(dynamic_cast<TelnetDevice *>(lan.link()));
    QCOMPARE(lan.link()->interfaceType(), 2);
    ConfiguredDevice none(QStringLiteral("N"), 0);
    QVERIFY(dynamic_cast<TelnetDevice *>(none.link()));
}

void tst_ConfiguredDevice::linkAnswersToInterfaceQueries()
{
    SerialDevice serial;
    TelnetDevice telnet;
    for (QObject *link : {static_cast<QObject *>(&serial), static_cast<QObject *>(&telnet)}) {
        QVERIFY(qobject_cast<AbstractDevice *>(link));
        QVERIFY(link->qt_metacast("AbstractDevice"));
        QVERIFY(link->qt_metacast("com.moravin.AbstractDevice"));
    }
    // Subscriptions by signature text, as the configured device makes them.
    QSignalSpy spy(&telnet, SIGNAL(writeStartSync()));
    QObject receiver;
    telnet.connectSignal(SIGNAL(writeStartSync()), &receiver, SLOT(deleteLater()));
    QVERIFY(telnet.disconnectSignal(SIGNAL(writeStartSync()), &receiver, SLOT(deleteLater())));
    QVERIFY(!telnet.disconnectSignal(SIGNAL(writeStartSync()), &receiver, SLOT(deleteLater())));
    QVERIFY(!serial.disconnectSignal(SIGNAL(connected()), &receiver, SLOT(deleteLater())));

    serial.setDeviceInfo(QStringLiteral("/nonexistent/ttyX"), 23);
    QVERIFY(!serial.open());
    QVERIFY(!serial.isOpen());
    QCOMPARE(serial.address(), QStringLiteral("/nonexistent/ttyX"));
    QCOMPARE(serial.port()->baudRate(), 115200);
    QCOMPARE(serial.port()->dataBits(), QSerialPort::Data8);
    QCOMPARE(serial.port()->parity(), QSerialPort::NoParity);
    QCOMPARE(serial.port()->stopBits(), QSerialPort::OneStop);
    QCOMPARE(serial.port()->flowControl(), QSerialPort::NoFlowControl);

    telnet.setDeviceInfo(QStringLiteral("127.0.0.1"), 2323);
    QCOMPARE(telnet.address(), QStringLiteral("127.0.0.1"));
    QCOMPARE(telnet.port(), quint16(2323));
    QVERIFY(!telnet.isOpen());
}

void tst_ConfiguredDevice::readingReachesViewsAndChart()
{
    ConfiguredDevice device(QStringLiteral("S1"), 1);
    FakeListEntry entry;
    FakeChartPanel panel;
    FakeTile tile1;
    FakeTile tile2;
    device.setListItem(&entry);
    device.setChartView(&panel);
    device.setDashItems(&tile1, &tile2);

    feed(device, QStringLiteral("23.45,56.7\n"));
    QVERIFY(device.connected);
    QCOMPARE(device.ch1Value, QStringLiteral("23.45"));
    QCOMPARE(device.ch2Value, QStringLiteral("56.70"));
    QCOMPARE(entry.calls, QStringList{QStringLiteral("connected S1")});
    QCOMPARE(panel.calls,
             (QStringList{QStringLiteral("connected S1"), QStringLiteral("update 23.45 56.70")}));
    QCOMPARE(tile1.calls,
             (QStringList{QStringLiteral("connected S1"), QStringLiteral("value 23.45")}));
    QCOMPARE(tile2.calls,
             (QStringList{QStringLiteral("connected S1"), QStringLiteral("value 56.70")}));
    QCOMPARE(panel.lastCh1, 23.45);
    QCOMPARE(panel.lastCh2, 56.7);
    QCOMPARE(panel.lastTime, ChartTime::fromDateTime(device.lastTime));

    feed(device, QStringLiteral("1,2,3"));
    QCOMPARE(device.ch1Value, QStringLiteral("1.00"));
    QCOMPARE(device.ch2Value, QStringLiteral("2.00"));
}

void tst_ConfiguredDevice::missingValueLeavesGapWithoutAlarm()
{
    ConfiguredDevice device(QStringLiteral("S1"), 1);
    device.setAlarmLimits(20, 30, 40, 50);
    FakeChartPanel panel;
    device.setChartView(&panel);
    feed(device, QStringLiteral("----,41.20\n"));
    QCOMPARE(device.ch1Value, QStringLiteral("----"));
    QCOMPARE(device.ch2Value, QStringLiteral("41.20"));
    QVERIFY(!device.ch1Alarm);
    QVERIFY(!device.ch2Alarm);
    QCOMPARE(panel.lastCh1, NoValue);
    QCOMPARE(panel.lastCh2, 41.2);
}

void tst_ConfiguredDevice::unparsableReadingStillConnects()
{
    ConfiguredDevice device(QStringLiteral("S1"), 1);
    FakeTile tile1;
    FakeTile tile2;
    device.setDashItems(&tile1, &tile2);
    device.refreshPending = true;
    feed(device, QStringLiteral("23.4\n"));
    QVERIFY(device.connected);
    QVERIFY(device.ch1Value.isEmpty());
    QCOMPARE(tile1.calls, QStringList{QStringLiteral("connected S1")});
    QVERIFY(device.refreshPending);
    double times[ChartHistory::Size];
    device.chartData(times, nullptr, nullptr);
    QCOMPARE(times[ChartHistory::Size - 1], NoValue);
}

void tst_ConfiguredDevice::alarmsFollowLimits()
{
    ConfiguredDevice device(QStringLiteral("S1"), 1);
    device.setAlarmLimits(20, 30, 0, 0);
    feed(device, QStringLiteral("19.99,99\n"));
    QVERIFY(device.ch1Alarm);
    QVERIFY(!device.ch2Alarm);
    feed(device, QStringLiteral("20.00,99\n"));
    QVERIFY(!device.ch1Alarm);
    feed(device, QStringLiteral("30.01,99\n"));
    QVERIFY(device.ch1Alarm);
    feed(device, QStringLiteral("30.00,99\n"));
    QVERIFY(!device.ch1Alarm);

    device.setAlarmLimits(30.1f, 40, 90, 95);
    feed(device, QStringLiteral("30.10,99\n"));
    QVERIFY(device.ch1Alarm);
    QVERIFY(device.ch2Alarm);

    // New limits take effect on the values already shown.
    device.setAlarmLimits(0, 0, 0, 100);
    device.checkAlarmAll();
    QVERIFY(!device.ch1Alarm);
    QVERIFY(!device.ch2Alarm);
    device.setAlarmLimits(0, 10, 0, 100);
    device.checkAlarmAll();
    QVERIFY(device.ch1Alarm);

    float a = 0, b = 0, c = 0, d = 0;
    device.alarmLimits(&a, &b, &c, &d);
    QCOMPARE(b, 10.0f);
    QCOMPARE(d, 100.0f);
    device.alarmLimits(nullptr, nullptr, nullptr, nullptr);
}

void tst_ConfiguredDevice::recordVersusRefreshPolls()
{
    ConfiguredDevice device(QStringLiteral("S1"), 1);
    device.recording = true;
    FakeChartPanel panel;
    device.setChartView(&panel);
    QSignalSpy rows(&device, &ConfiguredDevice::rowRecorded);

    const QDateTime old = device.lastTime;
    QTest::qWait(5);
    device.writeDevice();
    QVERIFY(device.lastTime > old);
    feed(device, QStringLiteral("21.00,40.00\n"));
    QCOMPARE(rows.count(), 1);
    const double pointTime = panel.lastTime;

    // Two refresh answers overwrite the newest point and record nothing.
    const QDateTime recorded = device.lastTime;
    device.refreshDevice();
    QVERIFY(device.refreshPending);
    QCOMPARE(device.lastTime, recorded);
    feed(device, QStringLiteral("22.00,41.00\n"));
    QVERIFY(!device.refreshPending);
    device.refreshDevice();
    feed(device, QStringLiteral("23.00,42.00\n"));
    QCOMPARE(rows.count(), 1);
    double times[ChartHistory::Size];
    double ch1[ChartHistory::Size];
    device.chartData(times, ch1, nullptr);
    QCOMPARE(times[ChartHistory::Size - 1], pointTime);
    QCOMPARE(ch1[ChartHistory::Size - 1], 23.0);
    QCOMPARE(times[ChartHistory::Size - 2], NoValue);

    // Not recording: nothing reaches the buffer.
    device.recording = false;
    device.writeDevice();
    feed(device, QStringLiteral("24.00,43.00\n"));
    QCOMPARE(rows.count(), 1);
}

// A device that froze with requests queued answers them all when it
// resumes; the answers after one poll are shown, and one row is recorded.
void tst_ConfiguredDevice::onePollGivesAtMostOneRow()
{
    ConfiguredDevice device(QStringLiteral("S1"), 1);
    device.recording = true;
    QSignalSpy rows(&device, &ConfiguredDevice::rowRecorded);
    device.writeDevice();
    feed(device, QStringLiteral("1.00,1.00\n"));
    feed(device, QStringLiteral("2.00,2.00\n"));
    feed(device, QStringLiteral("3.00,3.00\n"));
    QCOMPARE(rows.count(), 1);
    QCOMPARE(rows.at(0).at(0).value<PendingRow>().channel1, 1.0);
    QCOMPARE(device.ch1Value, QStringLiteral("3.00"));
    QTest::qWait(5);
    device.writeDevice();
    feed(device, QStringLiteral("4.00,4.00\n"));
    QCOMPARE(rows.count(), 2);
    QCOMPARE(rows.at(1).at(0).value<PendingRow>().channel1, 4.0);
    // A refresh between two polls records nothing and takes nothing away.
    device.refreshDevice();
    feed(device, QStringLiteral("5.00,5.00\n"));
    QCOMPARE(rows.count(), 2);
    device.writeDevice();
    feed(device, QStringLiteral("6.00,6.00\n"));
    QCOMPARE(rows.count(), 3);
}

void tst_ConfiguredDevice::unansweredRefreshSuppressesNextRow()
{
    ConfiguredDevice device(QStringLiteral("S1"), 1);
    device.recording = true;
    QSignalSpy rows(&device, &ConfiguredDevice::rowRecorded);
    device.refreshDevice();
    device.writeDevice();
    feed(device, QStringLiteral("21.00,40.00\n"));
    QCOMPARE(rows.count(), 0);
    device.writeDevice();
    feed(device, QStringLiteral("21.00,40.00\n"));
    QCOMPARE(rows.count(), 1);
}

void tst_ConfiguredDevice::rowsReachTheDatabase()
{
    ConfiguredDevice device(QStringLiteral("S'1\"; drop table kelvantis; --"), 1);
    device.recording = true;
    QSignalSpy rows(&device, &ConfiguredDevice::rowRecorded);
    device.writeDevice();
    feed(device, QStringLiteral("----,56.70\n"));
    const quint32 stamp = quint32(device.lastTime.toSecsSinceEpoch());
    QCOMPARE(rows.count(), 1);
    QVERIFY(store(rows));

    QSqlDatabase db = QSqlDatabase::database(m_store->connectionName());
    QSqlQuery query(db);
    QVERIFY(query.exec(QStringLiteral("select serialno, channel1, channel2, pointDate from "
                                      "kelvantis")));
    QVERIFY(query.next());
    QCOMPARE(query.value(0).toString(), device.settings().deviceNumber);
    QVERIFY(query.value(1).isNull());
    QCOMPARE(query.value(2).toDouble(), 56.7);
    QCOMPARE(query.value(3).toLongLong(), qlonglong(stamp));
    QVERIFY(!query.next());
}

void tst_ConfiguredDevice::gapRowOneIntervalLater()
{
    RecorderInterval::setCurrent(60000);
    ConfiguredDevice device(QStringLiteral("S1"), 1);
    QSignalSpy rows(&device, &ConfiguredDevice::rowRecorded);
    device.insertNoValue();
    QCOMPARE(rows.count(), 0);
    device.recording = true;
    device.writeDevice();
    device.insertNoValue();
    QCOMPARE(rows.count(), 1);
    QVERIFY(store(rows));
    QSqlQuery query(QSqlDatabase::database(m_store->connectionName()));
    QVERIFY(query.exec(QStringLiteral("select channel1, channel2, pointDate from kelvantis")));
    QVERIFY(query.next());
    QVERIFY(query.value(0).isNull());
    QVERIFY(query.value(1).isNull());
    QCOMPARE(query.value(2).toLongLong(), device.lastTime.toSecsSinceEpoch() + 60);
}

void tst_ConfiguredDevice::disconnectClearsReadingsAndAlarms()
{
    ConfiguredDevice device(QStringLiteral("S1"), 1);
    FakeListEntry entry;
    FakeChartPanel panel;
    FakeTile tile1;
    FakeTile tile2;
    device.setListItem(&entry);
    device.setChartView(&panel);
    device.setDashItems(&tile1, &tile2);
    device.setAlarmLimits(0, 1, 0, 1);
    feed(device, QStringLiteral("5,5\n"));
    QVERIFY(device.ch1Alarm && device.ch2Alarm);

    auto *serial = dynamic_cast<SerialDevice *>(device.link());
    emit serial->disconnected();
    QVERIFY(!device.connected);
    QVERIFY(device.ch1Value.isEmpty() && device.ch2Value.isEmpty());
    QVERIFY(!device.ch1Alarm && !device.ch2Alarm);
    QCOMPARE(entry.calls.last(), QStringLiteral("disconnected S1"));
    QCOMPARE(panel.calls.last(), QStringLiteral("disconnected S1"));
    QCOMPARE(tile1.calls.last(), QStringLiteral("disconnected S1"));
    QCOMPARE(tile2.calls.last(), QStringLiteral("disconnected S1"));
    emit serial->connected();
    QVERIFY(device.connected);
    QCOMPARE(entry.calls.last(), QStringLiteral("connected S1"));
}

void tst_ConfiguredDevice::clearedViewsAreNotCalled()
{
    ConfiguredDevice device(QStringLiteral("S1"), 1);
    FakeListEntry entry;
    FakeChartPanel panel;
    FakeTile tile1;
    FakeTile tile2;
    device.setListItem(&entry);
    device.setChartView(&panel);
    device.setDashItems(&tile1, &tile2);
    device.clearListItem();
    device.clearChartView();
    device.clearDashItems();
    feed(device, QStringLiteral("5,5\n"));
    QVERIFY(entry.calls.isEmpty() && panel.calls.isEmpty());
    QVERIFY(tile1.calls.isEmpty() && tile2.calls.isEmpty());
}

void tst_ConfiguredDevice::lanMissCounting_data()
{
    QTest::addColumn<int>("interval");
    QTest::addColumn<int>("limit");
    QTest::newRow("10 s") << 10000 << 2;
    QTest::newRow("1 s") << 1000 << 5;
}

void tst_ConfiguredDevice::lanMissCounting()
{
    QFETCH(int, interval);
    QFETCH(int, limit);
    RecorderInterval::setCurrent(interval);
    // A port nobody listens on: every request goes unanswered.
    QTcpServer probe;
    QVERIFY(probe.listen(QHostAddress::LocalHost));
    const quint16 port = probe.serverPort();
    probe.close();

    ConfiguredDevice device(QStringLiteral("001EC01234AB"), 2);
    device.setDeviceInfo(QString(), QString(), QString(), QStringLiteral("127.0.0.1"), port);
    FakeListEntry entry;
    device.setListItem(&entry);
    feed(device, QStringLiteral("1,2\n"));
    QVERIFY(device.connected);
    QCOMPARE(ConfiguredDevice::missLimit(), limit);

    for (int i = 1; i <= limit; ++i) {
        device.writeDevice();
        QCOMPARE(device.missCount(), i);
        QVERIFY(device.connected);
    }
    device.refreshDevice();
    QVERIFY(!device.connected);
    QCOMPARE(device.missCount(), limit);
    QCOMPARE(entry.calls.count(QStringLiteral("disconnected 001EC01234AB")), 1);
    // Every further unanswered request declares it again.
    device.writeDevice();
    QCOMPARE(entry.calls.count(QStringLiteral("disconnected 001EC01234AB")), 2);
    QCOMPARE(device.missCount(), limit);

    feed(device, QStringLiteral("1,2\n"));
    QCOMPARE(device.missCount(), 0);
    QVERIFY(device.connected);
}

void tst_ConfiguredDevice::interfaceNoneDoesNothing()
{
    ConfiguredDevice device(QStringLiteral("N"), 0);
    device.setDeviceInfo(QString(), QString(), QString(), QStringLiteral("127.0.0.1"), 9);
    QVERIFY(!device.open());
    const QDateTime before = device.lastTime;
    device.writeDevice();
    device.refreshDevice();
    QCOMPARE(device.lastTime, before);
    QVERIFY(!device.refreshPending);
    QCOMPARE(device.missCount(), 0);
}

void tst_ConfiguredDevice::settingsRoundTrip()
{
    DeviceSettings s;
    s.deviceName = QStringLiteral("Cold room");
    s.ch1Name = QStringLiteral("Air");
    s.ch2Name = QStringLiteral("Humidity");
    s.deviceNumber = QStringLiteral("001EC01234AB");
    s.deviceInterface = DeviceSettings::Lan;
    s.interfaceAddress = QStringLiteral("127.0.0.5");
    s.tcpPort = 2323;
    s.ch1Unit = 1;
    s.ch2Unit = 4;
    s.ch1Min = -10.5f;
    s.ch1Max = 35;
    s.ch2Min = 1;
    s.ch2Max = 2;
    s.ch1Custom = QStringLiteral("a");
    s.ch2Custom = QStringLiteral("ppm");
    s.buzzerAlarm = QStringLiteral("ON");

    ConfiguredDevice device(s.deviceNumber, s.deviceInterface);
    device.applySettings(s);
    QCOMPARE(device.settings(), s);
    QCOMPARE(device.link()->address(), QStringLiteral("127.0.0.5"));
    QCOMPARE(dynamic_cast<TelnetDevice *>(device.link())->port(), quint16(2323));

    device.setNewAlarmLimits(1, 2, 3, 4);
    device.setNewBuzzerAlarm(QStringLiteral("OFF"));
    QCOMPARE(device.settings(), s);
    device.commitNewSettings();
    QCOMPARE(device.settings().ch2Max, 4.0f);
    QCOMPARE(device.settings().buzzerAlarm, QStringLiteral("OFF"));
}

void tst_ConfiguredDevice::dialogueOnlyForLanDevices()
{
    ConfiguredDevice device(QStringLiteral("S1"), 1);
    device.startSyncTelnet();
    QCOMPARE(device.syncState(), 0);
    device.stopSyncTelnet();
    QCOMPARE(device.syncState(), 0);
}

QTEST_GUILESS_MAIN(tst_ConfiguredDevice)
#include "tst_ConfiguredDevice.moc"
