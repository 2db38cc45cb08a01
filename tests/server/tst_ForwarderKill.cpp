#include "PostgresServer.h"
#include "SpoolComparison.h"
#include "SpoolWriter.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

// A forwarding process killed with SIGKILL at any moment, mid-batch: what
// reached the server is a complete prefix of the spool, and a restart sends
// the rest once.
class tst_ForwarderKill : public QObject
{
    Q_OBJECT

private slots:
    void killedMidBatchAndRestarted();

private:
    qint64 serverCount();

    PostgresServer m_server;
    QUuid m_store = QUuid::createUuid();
};

qint64 tst_ForwarderKill::serverCount()
{
    return m_server.query("select count(*) from moravin_readings").toLongLong();
}

void tst_ForwarderKill::killedMidBatchAndRestarted()
{
    QString error;
    QVERIFY2(m_server.setUp(&error), qPrintable(error));
    QTemporaryDir dir;
    const QString spool = dir.filePath("killed.dat");
    SpoolWriter writer(spool);
    QVERIFY(writer.open());
    qint64 second = 1700000000;
    auto record = [&](int seconds) {
        for (int t = 0; t < seconds; ++t, ++second)
            for (int d = 0; d < 16; ++d)
                writer.append("K" + QByteArray::number(d), d + t * 0.5, -d, second);
        return writer.flush();
    };
    QVERIFY(record(2500));

    const QString program =
        QCoreApplication::applicationDirPath() + QStringLiteral("/moravin-forward-spool");
    const QStringList arguments{m_server.connectionString(), spool,
                                m_store.toString(QUuid::WithoutBraces), "--batch", "400"};
    qint64 before = 0;
    for (int round = 0; round < 3; ++round) {
        QProcess forwarder;
        forwarder.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        forwarder.start(program, arguments);
        QVERIFY2(forwarder.waitForStarted(), qPrintable(forwarder.errorString()));
        // Kill it while it is sending: once it got some batches further.
        QTRY_VERIFY_WITH_TIMEOUT(serverCount() >= before + 1200, 30000);
        forwarder.kill();
        QVERIFY(forwarder.waitForFinished(10000));
        const qint64 count = serverCount();
        QVERIFY(count >= before + 1200);

        // The server holds exactly the spool's first rows: no gap, no half
        // batch, nothing twice.
        const QStringList spoolRows = SpoolComparison::spoolRows(spool);
        const QStringList serverRows =
            SpoolComparison::serverRows(m_server.connectionString(), m_store);
        QCOMPARE(qint64(serverRows.size()), count);
        QCOMPARE(serverRows, spoolRows.mid(0, int(count)));
        before = count;
        // Recording went on meanwhile.
        QVERIFY(record(300));
    }

    QProcess last;
    last.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    last.start(program, arguments + QStringList{"--exit-when-done"});
    QVERIFY(last.waitForFinished(60000));
    QCOMPARE(last.exitStatus(), QProcess::NormalExit);
    QCOMPARE(last.exitCode(), 0);
    const QString difference = SpoolComparison::difference(
        SpoolComparison::spoolRows(spool),
        SpoolComparison::serverRows(m_server.connectionString(), m_store));
    QVERIFY2(difference.isEmpty(), qPrintable(difference));
}

QTEST_GUILESS_MAIN(tst_ForwarderKill)
#include "tst_ForwarderKill.moc"
