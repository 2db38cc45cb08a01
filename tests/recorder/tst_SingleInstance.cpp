#include "SingleInstance.h"

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
        // Qt logs every widget it makes accessible, which each widget is as it
        // is built or shown: what a start has put on screen can be read from
        // its output, however long a busy machine takes for it.
        env.insert("QT_LOGGING_RULES", "qt.accessibility.cache.debug=true");

        QProcess first;
        first.setProcessEnvironment(env);
        first.setProcessChannelMode(QProcess::MergedChannels);
        first.start(binary, QStringList());
        QVERIFY(first.waitForStarted());
        // The lock is taken before the splash, which the first start shows.
        QByteArray firstOutput;
        QTRY_VERIFY_WITH_TIMEOUT((firstOutput += first.readAll()).contains("QSplashScreen"), 30000);
        QVERIFY(QFile::exists(home.filePath("MoravinLite.lock")));

        QProcess second;
        second.setProcessEnvironment(env);
        second.setProcessChannelMode(QProcess::MergedChannels);
        second.start(binary, QStringList());
        QVERIFY(second.waitForFinished(60000));
        QCOMPARE(second.exitStatus(), QProcess::NormalExit);
        QCOMPARE(second.exitCode(), 0);
        // Ended at the lock, before any widget: no splash, no window.
        const QByteArray secondOutput = second.readAll();
        QVERIFY2(!secondOutput.contains("qt.accessibility"), secondOutput.constData());
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
