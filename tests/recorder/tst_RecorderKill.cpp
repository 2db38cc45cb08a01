// A recorder killed with SIGKILL in the middle of recording must leave a
// database that passes the integrity check and holds every row of every
// flush that another program could already see. The recorder runs as a child
// process (this program with --child), recording a steady stream of readings.
#include "MoravinMain.h"
#include "control/RecordingSession.h"
#include "core/ProjectFile.h"

#include <QApplication>
#include <QProcess>
#include <QRandomGenerator>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <cstring>

namespace {

// Readings arrive much faster than from real devices, so that the flushes
// are large and a kill often lands inside one.
constexpr int RowsPerTick = 40;
constexpr int TickMs = 10;

int runChild(int argc, char *argv[], const QString &project)
{
    QLoggingCategory::setFilterRules(QStringLiteral("moravin.*.debug=false"));
    QApplication app(argc, argv);
    MoravinMain window;
    window.projectLoaded(project);
    if (!window.isProjectOpen())
        return 3;
    window.slotStartRecord();
    quint32 next = quint32(QDateTime::currentSecsSinceEpoch()) * 100;
    QTimer stream;
    QObject::connect(&stream, &QTimer::timeout, [&next, &window] {
        for (int i = 0; i < RowsPerTick; ++i, ++next)
            window.session()->appendReading(
                {QStringLiteral("KILL"), double(next % 1000), 1.0, next});
    });
    stream.start(TickMs);
    std::puts("recording");
    std::fflush(stdout);
    return app.exec();
}

struct Check
{
    qint64 rows = -1;
    QString integrity;
};

Check check(const QString &path, const QString &name, bool integrity)
{
    Check c;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_BUSY_TIMEOUT=2000"));
        if (db.open()) {
            QSqlQuery q(db);
            if (q.exec(QStringLiteral("select count(*) from kelvantis")) && q.next())
                c.rows = q.value(0).toLongLong();
            if (integrity && q.exec(QStringLiteral("pragma integrity_check")) && q.next())
                c.integrity = q.value(0).toString();
        }
    }
    QSqlDatabase::removeDatabase(name);
    return c;
}

} // namespace

class TestRecorderKill : public QObject
{
    Q_OBJECT
private slots:
    void killedRecorderLeavesASoundDatabase()
    {
        QTemporaryDir dir;
        const QString project = dir.filePath(QStringLiteral("Kill.qpj"));
        const QString database = dir.filePath(QStringLiteral("Kill.dat"));
        DeviceSettings device;
        device.deviceNumber = QStringLiteral("KILL");
        device.deviceInterface = DeviceSettings::Lan;
        device.interfaceAddress = QStringLiteral("127.0.0.1");
        device.tcpPort = 9;
        QVERIFY(ProjectFile(project).writeHeader(QStringLiteral("Kill"), 1000,
                                                 QStringLiteral("Kill.dat")));
        QVERIFY(ProjectFile(project).saveDeviceList({device}));

        // The moments of the kills come from a seed that every run prints;
        // MORAVIN_KILL_SEED=<seed> replays them.
        const QByteArray given = qgetenv("MORAVIN_KILL_SEED");
        bool ok = given.isEmpty();
        const quint32 seed = ok ? QRandomGenerator::system()->generate() : given.toUInt(&ok);
        QVERIFY2(ok, "MORAVIN_KILL_SEED is not a number");
        qInfo("seed %u (MORAVIN_KILL_SEED=%u replays the kill moments)", seed, seed);
        QRandomGenerator chance(seed);

        qint64 committed = 0;
        for (int round = 0; round < 4; ++round) {
            QProcess child;
            child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
            child.start(QCoreApplication::applicationFilePath(),
                        {QStringLiteral("--child"), project});
            QVERIFY(child.waitForStarted(10000));
            QVERIFY(child.waitForReadyRead(20000));
            QCOMPARE(child.readLine().trimmed(), QByteArray("recording"));

            // Wait for a flush to land (a busy machine may delay the first),
            // then kill at a moment of chance while more are written.
            const qint64 before = committed;
            auto watch = [&] {
                committed = qMax(committed, check(database, QStringLiteral("watch"), false).rows);
                QTest::qWait(20);
            };
            QElapsedTimer watched;
            watched.start();
            while (committed <= before && watched.elapsed() < 30000)
                watch();
            QVERIFY2(committed > before, "no flush was seen");
            const int killAfter = chance.bounded(2500);
            watched.restart();
            while (watched.elapsed() < killAfter)
                watch();
            child.kill();
            QVERIFY(child.waitForFinished(10000));
            QCOMPARE(child.exitStatus(), QProcess::CrashExit);

            const Check after = check(database, QStringLiteral("after"), true);
            QCOMPARE(after.integrity, QStringLiteral("ok"));
            QVERIFY2(after.rows >= committed,
                     qPrintable(QStringLiteral("%1 rows, %2 seen").arg(after.rows).arg(committed)));
            qInfo("round %d: killed %d ms after a flush, %lld rows seen, %lld after", round,
                  killAfter, committed, after.rows);
            committed = after.rows;
        }
    }
};

int main(int argc, char *argv[])
{
    if (argc == 3 && std::strcmp(argv[1], "--child") == 0)
        return runChild(argc, argv, QString::fromLocal8Bit(argv[2]));
    QApplication app(argc, argv);
    TestRecorderKill test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_RecorderKill.moc"
