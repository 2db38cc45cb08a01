#include "ConfiguredDevice.h"
#include "FakeViews.h"
#include "ReadingParser.h"
#include "RecorderInterval.h"
#include "SimulatorProcess.h"
#include "TelnetDevice.h"

#include <QTcpSocket>
#include <QtTest>

// LAN devices end to end against the simulator: per-request and persistent
// connections, miss counting, reconnection and the alarm-setting dialogue.
class tst_TelnetLink : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void perRequestConnections();
    void persistentConnection();
    void missCountingPerRequest();
    void missCountingAndReconnectionPersistent();
    void splitAnswerKeepsConnectionUntilComplete();
    void answerWithoutMarkerIsDropped();
    void answerFraming();
    void staleFragmentIsNotJoinedToTheNextAnswer();
    void reopenWhileConnecting();
    void deviceHangsUpAfterAnswering();
    void silentDeviceConnectionTimesOut();
    void dialogue_data();
    void dialogue();
    void dialogueRefusedAfterMax2();
    void dialogueFailedWrite();
    void pollsWaitWhileDialogueRuns();

private:
    ConfiguredDevice *makeDevice();
    TelnetDevice *telnet() const { return dynamic_cast<TelnetDevice *>(m_device->link()); }
    QStringList commandsReceived();
    int stat(const QString &counter) { return m_sim->stat(m_lan.mac, counter); }

    SimulatorProcess *m_sim = nullptr;
    SimulatorProcess::Lan m_lan;
    ConfiguredDevice *m_device = nullptr;
};

void tst_TelnetLink::initTestCase()
{
    m_sim = new SimulatorProcess(this);
    QVERIFY2(m_sim->start({QStringLiteral("--lan"), QStringLiteral("127.0.0.1:0/001EC01234AB"),
                           QStringLiteral("--discovery"), QStringLiteral("none")}),
             qPrintable(SimulatorProcess::binaryPath()));
    m_lan = m_sim->lan(0);
    QCOMPARE(m_lan.mac, QStringLiteral("001EC01234AB"));
    QVERIFY(m_lan.port != 0);
}

void tst_TelnetLink::init()
{
    m_device = makeDevice();
    m_sim->clearEvents();
}

void tst_TelnetLink::cleanup()
{
    delete m_device;
    m_device = nullptr;
    m_sim->command(QStringLiteral("clear ") + m_lan.mac);
    m_sim->command(QStringLiteral("drop ") + m_lan.mac);
    RecorderInterval::setCurrent(10000);
}

ConfiguredDevice *tst_TelnetLink::makeDevice()
{
    auto *device = new ConfiguredDevice(m_lan.mac, 2, this);
    device->setDeviceInfo(QStringLiteral("lan"), QStringLiteral("t"), QStringLiteral("h"),
                          m_lan.address, m_lan.port);
    return device;
}

QStringList tst_TelnetLink::commandsReceived()
{
    QStringList commands;
    const QStringList events = m_sim->events();
    const QString prefix = QStringLiteral("rx ") + m_lan.mac + QLatin1Char(' ');
    for (const QString &event : events)
        if (event.startsWith(prefix))
            commands << event.mid(prefix.size());
    return commands;
}

void tst_TelnetLink::perRequestConnections()
{
    RecorderInterval::setCurrent(10000);
    QSignalSpy answers(telnet(), &TelnetDevice::readyRead);
    const int connections = stat(QStringLiteral("connections"));
    for (int i = 1; i <= 3; ++i) {
        m_device->writeDevice();
        QTRY_COMPARE_WITH_TIMEOUT(answers.count(), i, 10000);
        QVERIFY(ReadingParser::parse(answers.last().at(0).toString()).valid);
        // Closed as soon as the answer is in.
        QVERIFY(!telnet()->isOpen());
        QVERIFY(m_device->connected);
        QCOMPARE(m_device->missCount(), 0);
    }
    QCOMPARE(stat(QStringLiteral("connections")), connections + 3);
    QCOMPARE(commandsReceived(), QStringList(QVector<QString>(3, QStringLiteral("ATDC")).toList()));
}

void tst_TelnetLink::persistentConnection()
{
    RecorderInterval::setCurrent(1000);
    QSignalSpy answers(telnet(), &TelnetDevice::readyRead);
    const int connections = stat(QStringLiteral("connections"));
    for (int i = 1; i <= 4; ++i) {
        m_device->writeDevice();
        QTRY_COMPARE_WITH_TIMEOUT(answers.count(), i, 10000);
        QVERIFY(telnet()->isOpen());
    }
    QCOMPARE(stat(QStringLiteral("connections")), connections + 1);
    QCOMPARE(stat(QStringLiteral("requests")) > 0, true);
}

void tst_TelnetLink::missCountingPerRequest()
{
    RecorderInterval::setCurrent(10000);
    FakeListEntry entry;
    m_device->setListItem(&entry);
    QSignalSpy answers(telnet(), &TelnetDevice::readyRead);
    m_device->writeDevice();
    QVERIFY(answers.wait(10000));
    QVERIFY(m_device->connected);

    m_sim->command(QStringLiteral("fault ") + m_lan.mac + QStringLiteral(" silent"));
    const int connections = stat(QStringLiteral("connections"));
    for (int i = 1; i <= 3; ++i) {
        m_device->writeDevice();
        // Each unanswered request still opens its own connection.
        QTRY_COMPARE_WITH_TIMEOUT(stat(QStringLiteral("connections")), connections + i, 10000);
        QCOMPARE(m_device->connected, i < 3);
    }
    QCOMPARE(entry.calls.count(QStringLiteral("disconnected ") + m_lan.mac), 1);
    QCOMPARE(m_device->missCount(), 2);

    m_sim->command(QStringLiteral("clear ") + m_lan.mac);
    m_device->writeDevice();
    QTRY_VERIFY_WITH_TIMEOUT(m_device->connected, 10000);
    QCOMPARE(m_device->missCount(), 0);
    QCOMPARE(stat(QStringLiteral("connections")), connections + 4);
}

void tst_TelnetLink::missCountingAndReconnectionPersistent()
{
    RecorderInterval::setCurrent(1000);
    QSignalSpy answers(telnet(), &TelnetDevice::readyRead);
    const int connections = stat(QStringLiteral("connections"));
    m_device->writeDevice();
    QVERIFY(answers.wait(10000));

    m_sim->command(QStringLiteral("fault ") + m_lan.mac + QStringLiteral(" silent"));
    const int requests = stat(QStringLiteral("requests"));
    for (int i = 1; i <= 6; ++i) {
        m_device->writeDevice();
        QTRY_COMPARE_WITH_TIMEOUT(stat(QStringLiteral("requests")), requests + i, 10000);
        QCOMPARE(m_device->connected, i < 6);
    }
    QCOMPARE(m_device->missCount(), 5);
    QCOMPARE(stat(QStringLiteral("connections")), connections + 1);

    // The device drops the connection: the next poll reconnects and asks.
    m_sim->command(QStringLiteral("clear ") + m_lan.mac);
    m_sim->command(QStringLiteral("drop ") + m_lan.mac);
    QTcpSocket *socket = telnet()->findChild<QTcpSocket *>();
    QVERIFY(socket);
    QTRY_COMPARE_WITH_TIMEOUT(socket->state(), QAbstractSocket::UnconnectedState, 10000);
    const int before = answers.count();
    m_device->writeDevice();
    QTRY_COMPARE_WITH_TIMEOUT(answers.count(), before + 1, 10000);
    QVERIFY(m_device->connected);
    QCOMPARE(m_device->missCount(), 0);
    QCOMPARE(stat(QStringLiteral("connections")), connections + 2);
}

void tst_TelnetLink::splitAnswerKeepsConnectionUntilComplete()
{
    for (int interval : {10000, 1000}) {
        RecorderInterval::setCurrent(interval);
        QSignalSpy answers(telnet(), &TelnetDevice::readyRead);
        m_sim->command(QStringLiteral("fault ") + m_lan.mac + QStringLiteral(" split"));
        m_device->writeDevice();
        QVERIFY(answers.wait(10000));
        QCOMPARE(answers.count(), 1);
        QVERIFY(ReadingParser::parse(answers.at(0).at(0).toString()).valid);
        QVERIFY(!m_device->ch1Value.isEmpty());
        m_device->close();
    }
}

void tst_TelnetLink::answerWithoutMarkerIsDropped()
{
    RecorderInterval::setCurrent(10000);
    QSignalSpy answers(telnet(), &TelnetDevice::readyRead);
    m_sim->command(QStringLiteral("fault ") + m_lan.mac + QStringLiteral(" garbage"));
    QTcpSocket *socket = telnet()->findChild<QTcpSocket *>();
    m_device->writeDevice();
    QTRY_COMPARE_WITH_TIMEOUT(commandsReceived(), QStringList{QStringLiteral("ATDC")}, 10000);
    // The connection is closed after the complete (unusable) answer.
    QTRY_COMPARE_WITH_TIMEOUT(socket->state(), QAbstractSocket::UnconnectedState, 10000);
    QCOMPARE(answers.count(), 0);
    QCOMPARE(m_device->missCount(), 1);
}

void tst_TelnetLink::answerFraming()
{
    RecorderInterval::setCurrent(10000);
    QSignalSpy answers(telnet(), &TelnetDevice::readyRead);
    m_sim->command(QStringLiteral("answer ") + m_lan.mac + QStringLiteral(" ATDC 21.30,40.10"));
    m_device->writeDevice();
    QVERIFY(answers.wait(10000));
    QCOMPARE(answers.at(0).at(0).toString(), QStringLiteral("21.30,40.10\n"));
    QCOMPARE(m_device->ch2Value, QStringLiteral("40.10"));
}

void tst_TelnetLink::staleFragmentIsNotJoinedToTheNextAnswer()
{
    // The connection stays open at 1 s, so a fragment would wait in it.
    RecorderInterval::setCurrent(1000);
    QSignalSpy answers(telnet(), &TelnetDevice::readyRead);
    QVERIFY(m_device->open());
    // The connection asks once as soon as it is up.
    QTRY_VERIFY_WITH_TIMEOUT(telnet()->isOpen() && answers.count() == 1, 10000);
    answers.clear();
    m_sim->command(QStringLiteral("fragment ") + m_lan.mac + QStringLiteral(" ATDC 23.4"));
    // The link reads its socket before anyone else hears of it: once the
    // fragment has been read, the link has had its chance to take it for an
    // answer.
    auto *socket = telnet()->findChild<QTcpSocket *>();
    QVERIFY(socket);
    QSignalSpy socketReads(socket, &QIODevice::readyRead);
    m_device->writeDevice();
    QTRY_VERIFY_WITH_TIMEOUT(!socketReads.isEmpty(), 10000);
    QCOMPARE(answers.count(), 0);
    m_sim->command(QStringLiteral("answer ") + m_lan.mac + QStringLiteral(" ATDC 23.45,56.70"));
    m_device->writeDevice();
    QVERIFY(answers.wait(10000));
    QCOMPARE(answers.count(), 1);
    QCOMPARE(answers.at(0).at(0).toString(), QStringLiteral("23.45,56.70\n"));
    QCOMPARE(m_device->ch1Value, QStringLiteral("23.45"));
    QCOMPARE(m_device->ch2Value, QStringLiteral("56.70"));
}

void tst_TelnetLink::reopenWhileConnecting()
{
    RecorderInterval::setCurrent(10000);
    QSignalSpy answers(telnet(), &TelnetDevice::readyRead);
    QTcpSocket *socket = telnet()->findChild<QTcpSocket *>();
    const int requests = stat(QStringLiteral("requests"));
    QVERIFY(m_device->open());
    QCOMPARE(socket->state(), QAbstractSocket::ConnectingState);
    QVERIFY(m_device->open());
    QCOMPARE(socket->state(), QAbstractSocket::ConnectingState);
    // Only the second attempt comes up and asks once.
    QVERIFY(answers.wait(10000));
    QTRY_COMPARE_WITH_TIMEOUT(stat(QStringLiteral("requests")), requests + 1, 5000);
    QCOMPARE(answers.count(), 1);
}

void tst_TelnetLink::deviceHangsUpAfterAnswering()
{
    m_sim->command(QStringLiteral("fault ") + m_lan.mac + QStringLiteral(" hangup"));
    QSignalSpy answers(telnet(), &TelnetDevice::readyRead);
    QTcpSocket *socket = telnet()->findChild<QTcpSocket *>();
    const int connections = stat(QStringLiteral("connections"));

    RecorderInterval::setCurrent(1000);
    m_device->writeDevice();
    QVERIFY(answers.wait(10000));
    // The device's close is no error: the link still counts as open ...
    QTRY_COMPARE_WITH_TIMEOUT(socket->state(), QAbstractSocket::UnconnectedState, 10000);
    QVERIFY(telnet()->isOpen());
    // ... and the next request reconnects.
    m_device->writeDevice();
    QTRY_COMPARE_WITH_TIMEOUT(answers.count(), 2, 10000);
    QCOMPARE(m_device->missCount(), 0);

    RecorderInterval::setCurrent(10000);
    m_device->writeDevice();
    QTRY_COMPARE_WITH_TIMEOUT(answers.count(), 3, 10000);
    QVERIFY(m_device->connected);
    QCOMPARE(stat(QStringLiteral("connections")), connections + 3);
}

void tst_TelnetLink::silentDeviceConnectionTimesOut()
{
    RecorderInterval::setCurrent(10000);
    m_sim->command(QStringLiteral("fault ") + m_lan.mac + QStringLiteral(" silent"));
    m_device->writeDevice();
    QTRY_VERIFY_WITH_TIMEOUT(telnet()->isOpen(), 10000);
    QTRY_VERIFY_WITH_TIMEOUT(!telnet()->isOpen(), TelnetDevice::AnswerTimeout + 7000);
}

void tst_TelnetLink::dialogue_data()
{
    QTest::addColumn<int>("interval");
    QTest::newRow("10 s") << 10000;
    QTest::newRow("1 s") << 1000;
}

void tst_TelnetLink::dialogue()
{
    QFETCH(int, interval);
    RecorderInterval::setCurrent(interval);
    m_device->setAlarmLimits(1, 2, 3, 4);
    m_device->setNewAlarmLimits(20, 30.1f, -5.5f, 60);
    m_device->setNewBuzzerAlarm(QStringLiteral("ON"));
    QSignalSpy success(m_device, &ConfiguredDevice::buzzerSyncSuccess);
    QSignalSpy failure(m_device, &ConfiguredDevice::buzzerSyncError);
    if (interval == 1000) {
        // At 1 s the dialogue goes through the connection the polls keep up.
        QSignalSpy answers(telnet(), &TelnetDevice::readyRead);
        m_device->writeDevice();
        QVERIFY(answers.wait(10000));
        m_sim->clearEvents();
    }

    m_device->startSyncTelnet();
    QCOMPARE(m_device->syncState(), 1);
    QVERIFY(telnet()->buzzerFlag());
    QVERIFY(success.wait(10000));
    QCOMPARE(failure.count(), 0);
    QCOMPARE(m_device->syncState(), 0);
    QVERIFY(!telnet()->buzzerFlag());
    QCOMPARE(telnet()->isOpen(), interval == 1000);
    QTRY_COMPARE_WITH_TIMEOUT(
        commandsReceived(),
        (QStringList{QStringLiteral("ATBMIN1 20.00"), QStringLiteral("ATBMAX1 30.10"),
                     QStringLiteral("ATBMIN2 -5.50"), QStringLiteral("ATBMAX2 60.00"),
                     QStringLiteral("ATBAL ON"), QStringLiteral("ATBSET")}),
        5000);
    // The active limits change only when the dialog commits them.
    QCOMPARE(m_device->settings().ch1Min, 1.0f);
    m_device->commitNewSettings();
    QCOMPARE(m_device->settings().ch1Max, 30.1f);
    QCOMPARE(m_device->settings().buzzerAlarm, QStringLiteral("ON"));

    // Data polls work again afterwards.
    QSignalSpy answers(telnet(), &TelnetDevice::readyRead);
    m_device->writeDevice();
    QVERIFY(answers.wait(10000));
    QVERIFY(ReadingParser::parse(answers.last().at(0).toString()).valid);
}

void tst_TelnetLink::dialogueRefusedAfterMax2()
{
    RecorderInterval::setCurrent(10000);
    m_sim->command(QStringLiteral("fault ") + m_lan.mac + QStringLiteral(" refuse ATBMAX2"));
    QSignalSpy success(m_device, &ConfiguredDevice::buzzerSyncSuccess);
    QSignalSpy failure(m_device, &ConfiguredDevice::buzzerSyncError);
    m_device->startSyncTelnet();
    QVERIFY(failure.wait(10000));
    QCOMPARE(failure.at(0).at(0).toString(), QStringLiteral("Device Setup Failed."));
    QCOMPARE(success.count(), 0);
    QCOMPARE(m_device->syncState(), 0);
    QVERIFY(!telnet()->buzzerFlag());
    QVERIFY(!telnet()->isOpen());
    // A data request on a fresh connection: the simulator has read the
    // dialogue's connection to its end before it reads the request on the
    // new one, so nothing the dialogue sent can come after it.
    m_device->writeDevice();
    QTRY_VERIFY_WITH_TIMEOUT(commandsReceived().contains(QStringLiteral("ATDC")), 10000);
    const QStringList commands = commandsReceived();
    QCOMPARE(commands.size(), 5);
    QCOMPARE(commands.at(3), QStringLiteral("ATBMAX2 0.00"));
    QCOMPARE(commands.last(), QStringLiteral("ATDC"));
}

void tst_TelnetLink::dialogueFailedWrite()
{
    RecorderInterval::setCurrent(10000);
    // Lose the connection between the device's answer and the next command:
    // a test hook runs before the device sees the first "OK".
    TelnetDevice *link = telnet();
    QVERIFY(link->disconnectSignal(SIGNAL(readyRead(QString)), m_device, SLOT(readData(QString))));
    QObject hook;
    connect(link, &TelnetDevice::readyRead, &hook,
            [link] { link->findChild<QTcpSocket *>()->abort(); });
    link->connectSignal(SIGNAL(readyRead(QString)), m_device, SLOT(readData(QString)));

    QSignalSpy failure(m_device, &ConfiguredDevice::buzzerSyncError);
    m_device->startSyncTelnet();
    QVERIFY(failure.wait(10000));
    QCOMPARE(failure.at(0).at(0).toString(), QStringLiteral("Device communication failure."));
    QCOMPARE(m_device->syncState(), 0);
    QVERIFY(!link->buzzerFlag());
    QCOMPARE(commandsReceived(), QStringList{QStringLiteral("ATBMIN1 0.00")});
}

void tst_TelnetLink::pollsWaitWhileDialogueRuns()
{
    RecorderInterval::setCurrent(10000);
    m_sim->command(QStringLiteral("fault ") + m_lan.mac + QStringLiteral(" silent"));
    m_device->startSyncTelnet();
    QTRY_COMPARE_WITH_TIMEOUT(commandsReceived(), QStringList{QStringLiteral("ATBMIN1 0.00")},
                              10000);
    m_device->writeDevice();
    m_device->refreshDevice();
    QCOMPARE(m_device->missCount(), 0);
    QVERIFY(!m_device->refreshPending);
    // The dialog gives up: the link serves data requests again.
    m_device->stopSyncTelnet();
    QCOMPARE(m_device->syncState(), 0);
    QVERIFY(!telnet()->buzzerFlag());
    m_sim->command(QStringLiteral("clear ") + m_lan.mac);
    m_sim->clearEvents();
    QSignalSpy answers(telnet(), &TelnetDevice::readyRead);
    m_device->writeDevice();
    QVERIFY(answers.wait(10000));
    QCOMPARE(commandsReceived(), QStringList{QStringLiteral("ATDC")});
}

QTEST_GUILESS_MAIN(tst_TelnetLink)
#include "tst_TelnetLink.moc"
