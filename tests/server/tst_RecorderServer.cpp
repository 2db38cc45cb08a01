// The recorder itself, as a process of its own (this program with --child),
// recording into a project that names a test server: the readings reach the
// server; the server stopped for a while during recording and started again,
// and the recorder killed with SIGKILL and started again, lose nothing,
// store nothing twice and keep the order; loss and return of the server are
// in the event log on both sides; the status bar says what waits.
#include "MoravinMain.h"
#include "PostgresServer.h"
#include "SpoolComparison.h"
#include "control/RecordingSession.h"
#include "control/ServerLink.h"
#include "core/ProjectFile.h"
#include "store/ReadingsSource.h"
#include "store/ServerSettings.h"

#include <QApplication>
#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <cstring>

namespace {

constexpr int RowsPerTick = 5;
constexpr int TickMs = 50;

// Records `count` readings of one device with times from `first` on, then
// says "done"; prints every status-bar text of the server link.
int runChild(int argc, char *argv[])
{
    QLoggingCategory::setFilterRules(QStringLiteral("moravin.*.debug=false"));
    QApplication app(argc, argv);
    const QString project = QString::fromLocal8Bit(argv[2]);
    quint32 next = quint32(QByteArray(argv[3]).toUInt());
    const quint32 end = next + quint32(QByteArray(argv[4]).toUInt());
    MoravinMain window;
    window.show(); // as the program does: a message that closes does not end it
    QObject::connect(window.serverLink(), &ServerLink::statusChanged,
                     [](const QString &text, bool trouble) {
                         std::printf("status %d %s\n", int(trouble), qPrintable(text));
                         std::fflush(stdout);
                     });
    window.projectLoaded(project);
    if (!window.isProjectOpen() || !window.serverLink()->isForwarding())
        return 3;
    window.slotStartRecord();
    QTimer stream;
    QObject::connect(&stream, &QTimer::timeout, [&] {
        for (int i = 0; i < RowsPerTick && next < end; ++i, ++next)
            window.session()->appendReading(
                {QStringLiteral("SRV"), double(next % 1000), double(next % 7), next});
        if (next == end) {
            stream.stop();
            std::puts("done");
            std::fflush(stdout);
        }
    });
    stream.start(TickMs);
    std::puts("recording");
    std::fflush(stdout);
    return app.exec();
}

} // namespace

class tst_RecorderServer : public QObject
{
    Q_OBJECT

private slots:
    void recordsThroughAnOutageAndAKill();

private:
    bool startChild(QProcess &child, quint32 first, int count);
    QStringList lines(QProcess &child);
    qint64 serverCount();

    PostgresServer m_server;
    QTemporaryDir m_dir;
    QString m_project;
    QString m_database;
    QStringList m_output;
};

bool tst_RecorderServer::startChild(QProcess &child, quint32 first, int count)
{
    m_output.clear();
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(
        QCoreApplication::applicationFilePath(),
        {QStringLiteral("--child"), m_project, QString::number(first), QString::number(count)});
    if (!child.waitForStarted(10000))
        return false;
    QElapsedTimer clock;
    clock.start();
    while (!lines(child).contains(QStringLiteral("recording")) && clock.elapsed() < 30000)
        child.waitForReadyRead(500);
    return m_output.contains(QStringLiteral("recording"));
}

QStringList tst_RecorderServer::lines(QProcess &child)
{
    while (child.canReadLine())
        m_output << QString::fromUtf8(child.readLine()).trimmed();
    return m_output;
}

qint64 tst_RecorderServer::serverCount()
{
    return m_server.query("select count(*) from moravin_readings").toLongLong();
}

void tst_RecorderServer::recordsThroughAnOutageAndAKill()
{
    QString error;
    QVERIFY2(m_server.setUp(&error), qPrintable(error));
    m_project = m_dir.filePath("Room.qpj");
    m_database = m_dir.filePath("Room.dat");
    DeviceSettings device;
    device.deviceNumber = QStringLiteral("SRV");
    device.deviceName = QStringLiteral("Cold room");
    device.deviceInterface = DeviceSettings::Lan;
    device.interfaceAddress = QStringLiteral("127.0.0.1");
    device.tcpPort = 9;
    QVERIFY(ProjectFile(m_project).writeHeader("Room", 1000, "Room.dat"));
    QVERIFY(ProjectFile(m_project).saveDeviceList({device}));
    ServerSettings settings;
    settings.connection = m_server.connectionString();
    QVERIFY2(ServerSettings::write(m_project, settings, &error), qPrintable(error));

    const quint32 t0 = 1700000000;
    const int count = 1500; // 15 s of readings at the test's pace
    QProcess child;
    const auto stopChild = qScopeGuard([&child] {
        child.kill();
        child.waitForFinished(10000);
    });
    QVERIFY(startChild(child, t0, count));
    const QUuid store = ServerSettings::read(m_project).storeId;
    QVERIFY(!store.isNull());

    // Up: readings arrive.
    QTRY_VERIFY_WITH_TIMEOUT(serverCount() > 100, 60000);
    QVERIFY(m_server.stop());
    // Down: recording goes on, the status bar counts what waits.
    QTRY_VERIFY_WITH_TIMEOUT(lines(child).contains("status 1 Server: not reachable") ||
                                 lines(child)
                                         .filter(QRegularExpression("^status 1 Server: "
                                                                    "[0-9,]+ readings "
                                                                    "waiting$"))
                                         .size() > 0,
                             30000);
    const int atStop = SpoolComparison::spoolRows(m_database).size();
    QTRY_VERIFY_WITH_TIMEOUT(SpoolComparison::spoolRows(m_database).size() > atStop + 300, 60000);
    QVERIFY2(m_server.start(&error), qPrintable(error));
    QTRY_VERIFY2_WITH_TIMEOUT(lines(child).contains("done"), qPrintable(m_output.join('\n')),
                              60000);
    QTRY_VERIFY_WITH_TIMEOUT(lines(child).contains("status 0 Server: all readings stored"), 90000);
    QTRY_COMPARE_WITH_TIMEOUT(serverCount(), qint64(count), 30000);
    QStringList spool = SpoolComparison::spoolRows(m_database);
    QStringList server = SpoolComparison::serverRows(m_server.connectionString(), store, &error);
    QCOMPARE(spool.size(), count);
    // Row by row in local id order: nothing lost, nothing twice, the order
    // in which the recorder stored them.
    QCOMPARE(SpoolComparison::difference(spool, server), QString());
    // Loss and return of the server reach its own event table.
    QTRY_COMPARE_WITH_TIMEOUT(
        m_server.query("select string_agg(distinct kind, ',') from moravin_events"
                       " where kind like 'server_%'"),
        QStringLiteral("server_back,server_lost"), 30000);
    // As the report reads them from the server.
    QVector<EventRecord> events;
    QVERIFY2(ReadingsSource::forProject(m_project).events(0, 4000000000, &events, &error),
             qPrintable(error));
    QStringList kinds;
    for (const EventRecord &e : events)
        kinds << e.kind;
    QVERIFY2(kinds.contains("server_lost") && kinds.contains("server_back"),
             qPrintable(kinds.join(',')));
    QCOMPARE(m_server.query("select device_name from moravin_devices where serialno = 'SRV'"),
             QStringLiteral("Cold room"));

    // Killed mid-recording and started again: what the file kept reaches the
    // server once.
    child.kill();
    QVERIFY(child.waitForFinished(10000));
    QVERIFY(startChild(child, t0 + count, count));
    QTRY_VERIFY_WITH_TIMEOUT(serverCount() > count + 100, 60000);
    child.kill();
    QVERIFY(child.waitForFinished(10000));
    QVERIFY(startChild(child, t0 + 2 * count, 200));
    QTRY_VERIFY_WITH_TIMEOUT(lines(child).contains("done"), 60000);
    // The last reading is in the file once its flush is done.
    const QString last = "|" + QString::number(t0 + 2 * count + 199);
    QTRY_VERIFY_WITH_TIMEOUT(SpoolComparison::spoolRows(m_database).constLast().endsWith(last),
                             30000);
    spool = SpoolComparison::spoolRows(m_database);
    QTRY_COMPARE_WITH_TIMEOUT(serverCount(), qint64(spool.size()), 60000);
    server = SpoolComparison::serverRows(m_server.connectionString(), store, &error);
    QVERIFY(spool.size() > count + 100);
    QCOMPARE(SpoolComparison::difference(spool, server), QString());
}

int main(int argc, char *argv[])
{
    if (argc == 5 && std::strcmp(argv[1], "--child") == 0)
        return runChild(argc, argv);
    QApplication app(argc, argv);
    tst_RecorderServer test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_RecorderServer.moc"
