#include "SimulatorProcess.h"

#include <QTemporaryDir>
#include <QtTest>

// The simulator itself: loopback only, and a clean stop on SIGTERM.
class tst_Simulator : public QObject
{
    Q_OBJECT
private slots:
    void refusesNonLoopbackAddresses_data();
    void refusesNonLoopbackAddresses();
    void stopsCleanlyOnTerminate();
};

void tst_Simulator::refusesNonLoopbackAddresses_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::newRow("lan device") << QStringList{QStringLiteral("--lan"),
                                               QStringLiteral("192.0.2.10:2323")};
    QTest::newRow("bad address") << QStringList{QStringLiteral("--lan"),
                                                QStringLiteral("localhost:2323")};
}

void tst_Simulator::refusesNonLoopbackAddresses()
{
    QFETCH(QStringList, arguments);
    QProcess process;
    process.start(SimulatorProcess::binaryPath(),
                  arguments + QStringList{QStringLiteral("--discovery"), QStringLiteral("none"),
                                          QStringLiteral("--duration"), QStringLiteral("5")});
    QVERIFY(process.waitForFinished(10000));
    QCOMPARE(process.exitCode(), 1);
    QVERIFY(!process.readAllStandardOutput().contains("ready"));
}

void tst_Simulator::stopsCleanlyOnTerminate()
{
    QTemporaryDir dir;
    const QString announce = dir.filePath(QStringLiteral("ports"));
    QProcess process;
    process.start(SimulatorProcess::binaryPath(),
                  {QStringLiteral("--usb"), QStringLiteral("T1"), QStringLiteral("--announce"),
                   announce, QStringLiteral("--discovery"), QStringLiteral("192.0.2.255:0"),
                   QStringLiteral("--duration"), QStringLiteral("60")});
    QVERIFY(process.waitForStarted(10000));
    QByteArray output;
    QTRY_VERIFY_WITH_TIMEOUT((output += process.readAllStandardOutput()).contains("ready\n"),
                             10000);
    // A non-loopback responder address is refused; the devices still run.
    QVERIFY(output.contains("discovery-unavailable"));
    QVERIFY(QFile::exists(announce));
    process.terminate();
    QVERIFY(process.waitForFinished(10000));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), 0);
    QVERIFY(!QFile::exists(announce));
}

QTEST_GUILESS_MAIN(tst_Simulator)
#include "tst_Simulator.moc"
