#include "PostgresServer.h"
#include "SpoolComparison.h"
#include "SpoolWriter.h"
#include "TcpRelay.h"
#include "store/Forwarder.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

// The network stops carrying data in the middle of batches, without closing
// anything: the forwarder gives up on the dead connection within its
// timeouts, recording goes on, and once the network is back every reading
// arrives once.
class tst_ForwarderNetwork : public QObject
{
    Q_OBJECT

private slots:
    void networkDropsMidBatch();
};

void tst_ForwarderNetwork::networkDropsMidBatch()
{
    PostgresServer server(PostgresServer::Listen::Loopback);
    QString error;
    QVERIFY2(server.setUp(&error), qPrintable(error));
    TcpRelay relay(server.port());
    QVERIFY(relay.listen());

    QTemporaryDir dir;
    const QString spool = dir.filePath("net.dat");
    SpoolWriter writer(spool);
    QVERIFY(writer.open());
    qint64 second = 1700000000;
    auto record = [&](int seconds) {
        for (int t = 0; t < seconds; ++t, ++second)
            for (int d = 0; d < 16; ++d)
                writer.append("N" + QByteArray::number(d), d * 1.5 + t, t, second);
        return writer.flush();
    };
    QVERIFY(record(1500));

    ForwarderSettings s;
    s.connection = QStringLiteral("host=127.0.0.1 port=%1 user=moravin_admin dbname=moravin")
                       .arg(relay.port());
    s.storeId = QUuid::createUuid();
    s.projectName = "net";
    s.spoolPath = spool;
    s.batchRows = 500;
    s.pollMs = 50;
    s.statementTimeoutMs = 1500;
    s.connectTimeoutMs = 1500;
    s.firstRetryMs = 100;
    s.longestRetryMs = 400;
    Forwarder forwarder(s);
    QSignalSpy sent(&forwarder, &Forwarder::forwarded);
    QSignalSpy problems(&forwarder, &Forwarder::problem);
    QTimer recorder;
    connect(&recorder, &QTimer::timeout, this, [&] { QVERIFY(record(1)); });
    recorder.start(20);
    forwarder.start();
    QTRY_VERIFY_WITH_TIMEOUT(sent.size() >= 4, 30000);

    relay.setDropping(true);
    const qint64 droppedAt = second;
    QTRY_COMPARE_WITH_TIMEOUT(forwarder.state(), Forwarder::State::Unreachable, 20000);
    QVERIFY(!problems.isEmpty());
    const QString message = problems.last().at(0).toString();
    QVERIFY2(message.contains("no answer") || message.contains("took no data"),
             qPrintable(message));
    // Recording did not wait for the network.
    QTRY_VERIFY_WITH_TIMEOUT(second > droppedAt + 50, 20000);

    relay.setDropping(false);
    relay.closeAll();
    QTRY_COMPARE_WITH_TIMEOUT(forwarder.state(), Forwarder::State::Connected, 30000);
    recorder.stop();
    QVERIFY(writer.flush());
    forwarder.wake();
    const QStringList local = SpoolComparison::spoolRows(spool);
    QTRY_VERIFY_WITH_TIMEOUT(
        SpoolComparison::serverRows(server.connectionString(), s.storeId) == local, 60000);
}

QTEST_GUILESS_MAIN(tst_ForwarderNetwork)
#include "tst_ForwarderNetwork.moc"
