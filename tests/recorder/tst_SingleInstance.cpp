#include "SingleInstance.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

class TestSingleInstance : public QObject
{
    Q_OBJECT
private slots:
    void lockIsExclusiveAndReleasedWithItsHolder()
    {
        {
            SingleInstance first("Moravin Lite Test");
            QVERIFY(first.tryAcquire());
            SingleInstance second("Moravin Lite Test");
            QVERIFY(!second.tryAcquire());
        }
        SingleInstance again("Moravin Lite Test");
        QVERIFY(again.tryAcquire());
    }

    void secondRecorderEndsAtOnceAndLeavesTheFirstRunning()
    {
        const QString binary =
            qEnvironmentVariable("MORAVIN_TEST_BINARY_DIR") + "/recorder/MoravinLite";
        QVERIFY2(QFile::exists(binary), qPrintable(binary));
        QTemporaryDir home;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_RUNTIME_DIR", home.path());
        env.insert("XDG_CONFIG_HOME", home.path());
        env.insert("QT_QPA_PLATFORM", "offscreen");

        QProcess first;
        first.setProcessEnvironment(env);
        first.start(binary, QStringList());
        QVERIFY(first.waitForStarted());
        // The lock exists before the splash pause.
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(home.filePath("MoravinLite.lock")), 5000);

        QProcess second;
        second.setProcessEnvironment(env);
        QElapsedTimer clock;
        clock.start();
        second.start(binary, QStringList());
        QVERIFY(second.waitForFinished(5000));
        QVERIFY(clock.elapsed() < 2000);
        QCOMPARE(second.exitStatus(), QProcess::NormalExit);
        QCOMPARE(second.exitCode(), 0);
        QCOMPARE(first.state(), QProcess::Running);

        first.kill();
        first.waitForFinished();
        // A lock left by a killed recorder does not block the next start.
        qputenv("XDG_RUNTIME_DIR", home.path().toLocal8Bit());
        SingleInstance fresh("Moravin Lite");
        QVERIFY(fresh.tryAcquire());
    }
};

QTEST_GUILESS_MAIN(TestSingleInstance)
#include "tst_SingleInstance.moc"
