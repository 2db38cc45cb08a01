#include "ConfiguredDevice.h"
#include "RecorderInterval.h"

#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>

// A LAN device that froze with the recorder's requests queued in its open
// connection, and resumes: it answers all of them at once, then the request
// of the current poll. The device is a TCP server on loopback.
class tst_FrozenLanDevice : public QObject
{
    Q_OBJECT
private slots:
    void resumedDeviceGivesOneRowPerPoll();
};

void tst_FrozenLanDevice::resumedDeviceGivesOneRowPerPoll()
{
    qRegisterMetaType<PendingRow>();
    // At 1 s the connection stays open, so unanswered requests queue in it.
    RecorderInterval::setCurrent(1000);
    QTcpServer device;
    QVERIFY(device.listen(QHostAddress::LocalHost));
    ConfiguredDevice recorder(QStringLiteral("001EC01234AB"), 2);
    recorder.setDeviceInfo(QStringLiteral("lan"), QStringLiteral("t"), QStringLiteral("h"),
                           QStringLiteral("127.0.0.1"), device.serverPort());
    recorder.recording = true;
    QSignalSpy rows(&recorder, &ConfiguredDevice::rowRecorded);

    recorder.writeDevice();
    QTRY_VERIFY(device.hasPendingConnections());
    QTcpSocket *link = device.nextPendingConnection();
    QByteArray received;
    const auto requests = [&] {
        received += link->readAll();
        return received.count("ATDC\r\n");
    };
    QTRY_COMPARE(requests(), 1);
    link->write("ATDC 20.00,40.00\r\n");
    QTRY_COMPARE(rows.count(), 1);

    // Frozen: two polls go unanswered.
    for (int poll = 2; poll <= 3; ++poll) {
        recorder.writeDevice();
        QTRY_COMPARE(requests(), poll);
    }
    // Resumed during the next poll: the queued answers arrive in one read,
    // the answer to this poll in the next.
    recorder.writeDevice();
    QTRY_COMPARE(requests(), 4);
    link->write("ATDC 21.00,41.00\r\nATDC 22.00,42.00\r\nATDC 23.00,43.00\r\n");
    QTRY_COMPARE(recorder.ch1Value, QStringLiteral("21.00"));
    link->write("ATDC 24.00,44.00\r\n");
    QTRY_COMPARE(recorder.ch1Value, QStringLiteral("24.00"));
    QCOMPARE(rows.count(), 2);
    const PendingRow last = rows.at(1).at(0).value<PendingRow>();
    QCOMPARE(last.pointDate, quint32(recorder.lastTime.toSecsSinceEpoch()));

    // The next poll records again.
    recorder.writeDevice();
    QTRY_COMPARE(requests(), 5);
    link->write("ATDC 25.00,45.00\r\n");
    QTRY_COMPARE(rows.count(), 3);
    QCOMPARE(rows.at(2).at(0).value<PendingRow>().channel1, 25.0);
}

QTEST_GUILESS_MAIN(tst_FrozenLanDevice)
#include "tst_FrozenLanDevice.moc"
