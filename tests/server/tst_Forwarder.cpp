#include "PostgresServer.h"
#include "SpoolComparison.h"
#include "SpoolWriter.h"
#include "core/NoValue.h"
#include "store/Forwarder.h"
#include "store/ForwarderBackoff.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <memory>

// Store-and-forward against a real PostgreSQL: while it is up, while it is
// stopped and started during recording, and when it refuses.
class tst_Forwarder : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void backoffGrowsAndIsSpread();
    void forwardsWhileUp();
    void serverStoppedDuringRecordingLosesNothing();
    void wrongConnectionString();
    void userWithoutWriteRights();
    void rowsTheServerRefuses();
    void twoRecordersWithTheSameProjectName();
    void copiedProjectFileIsRefused();
    void newerSchemaIsNotWritten();

private:
    ForwarderSettings settingsFor(const QString &spool, const QString &project = "lab");
    QString connection(const QString &user = "moravin_admin") const
    {
        return m_server.connectionString(user, m_db);
    }
    QString scalar(const QString &sql) { return m_server.query(sql, nullptr, m_db); }
    // Waits until the server holds the spool's rows exactly.
    bool waitUntilEqual(const QString &spool, const QUuid &store, int timeoutMs = 60000);
    void writeReadings(SpoolWriter &writer, int devices, int seconds, qint64 start);

    PostgresServer m_server;
    QTemporaryDir m_dir;
    QString m_db;
    int m_count = 0;
};

void tst_Forwarder::initTestCase()
{
    QString error;
    QVERIFY2(m_server.setUp(&error), qPrintable(error));
    QVERIFY(m_dir.isValid());
}

void tst_Forwarder::init()
{
    m_db = QStringLiteral("fw%1").arg(++m_count);
    QString error;
    QVERIFY2(m_server.start(&error), qPrintable(error)); // after a case that failed stopped
    QVERIFY2(m_server.exec(QStringLiteral("create database %1").arg(m_db), &error),
             qPrintable(error));
}

ForwarderSettings tst_Forwarder::settingsFor(const QString &spool, const QString &project)
{
    ForwarderSettings s;
    s.connection = connection();
    s.storeId = QUuid::createUuid();
    s.projectName = project;
    s.projectPath = m_dir.filePath(project + ".qpj");
    s.spoolPath = spool;
    s.host = "pc-1";
    s.user = "operator";
    s.batchRows = 700;
    s.pollMs = 50;
    s.firstRetryMs = 100;
    s.longestRetryMs = 400;
    s.connectTimeoutMs = 5000;
    s.statementTimeoutMs = 10000;
    return s;
}

void tst_Forwarder::writeReadings(SpoolWriter &writer, int devices, int seconds, qint64 start)
{
    for (int t = 0; t < seconds; ++t)
        for (int d = 0; d < devices; ++d)
            writer.append(QByteArray("D") + QByteArray::number(d), 20 + d + t * 0.01,
                          (t % 7 == 0) ? NoValue : 40.5 - d, start + t);
}

bool tst_Forwarder::waitUntilEqual(const QString &spool, const QUuid &store, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    const QStringList local = SpoolComparison::spoolRows(spool);
    while (!deadline.hasExpired()) {
        if (SpoolComparison::serverRows(connection(), store) == local)
            return true;
        QTest::qWait(50);
    }
    const QString difference =
        SpoolComparison::difference(local, SpoolComparison::serverRows(connection(), store));
    qWarning("%s", qPrintable(difference));
    return false;
}

void tst_Forwarder::backoffGrowsAndIsSpread()
{
    ForwarderBackoff a(1000, 60000, 1), b(1000, 60000, 2);
    QVector<int> first, second;
    for (int i = 0; i < 10; ++i) {
        first << a.next();
        second << b.next();
    }
    const int bases[] = {1000, 2000, 4000, 8000, 16000, 32000, 60000, 60000, 60000, 60000};
    for (int i = 0; i < 10; ++i) {
        QVERIFY2(first[i] >= bases[i] * 4 / 5 && first[i] <= bases[i] * 6 / 5,
                 qPrintable(QString::number(first[i])));
        QVERIFY(second[i] >= bases[i] * 4 / 5 && second[i] <= bases[i] * 6 / 5);
    }
    QVERIFY(first != second); // two recorders do not knock in step
    a.reset();
    QVERIFY(a.next() <= 1200);
}

void tst_Forwarder::forwardsWhileUp()
{
    const QString spool = m_dir.filePath("up.dat");
    SpoolWriter writer(spool);
    QVERIFY(writer.open());
    QVERIFY(writer.createEvents());
    writeReadings(writer, 4, 600, 1700000000);
    QVERIFY(writer.flush());
    QVERIFY(writer.addEvent(1700000000, "record_start", "", 0, ""));
    QVERIFY(writer.addEvent(1700000100, "alarm_begin", "D1", 2, ""));

    ForwarderSettings s = settingsFor(spool);
    ServerDevice d;
    d.serialNo = "D1";
    d.deviceName = "Fridge 1";
    d.ch1Name = "Temperature";
    d.ch1Unit = 1;
    d.ch1Min = -2.5;
    d.ch1Max = 8;
    s.devices = {d};
    Forwarder forwarder(s);
    QSignalSpy states(&forwarder, &Forwarder::stateChanged);
    QSignalSpy sent(&forwarder, &Forwarder::forwarded);
    QVector<EventRecord> events;
    connect(&forwarder, &Forwarder::serverEvent, this,
            [&](const EventRecord &e) { events.append(e); });
    forwarder.start();
    QVERIFY(waitUntilEqual(spool, s.storeId));
    QTRY_COMPARE_WITH_TIMEOUT(forwarder.state(), Forwarder::State::Connected, 10000);
    QTRY_COMPARE_WITH_TIMEOUT(forwarder.waiting(), qint64(0), 10000);
    QCOMPARE(forwarder.statusText(), QStringLiteral("Server: all readings stored"));
    QVERIFY(events.isEmpty()); // nothing was lost

    // Batches in id order, each starting where the last ended.
    qint64 last = 0;
    for (const QList<QVariant> &b : sent) {
        QVERIFY(b.at(0).toLongLong() > last);
        last = b.at(0).toLongLong();
    }
    QVERIFY(sent.size() >= 2400 / 700);

    // The store, the catalogue (with the span of each device) and events.
    QCOMPARE(scalar("select project_name || ' ' || host || ' ' || os_user from moravin_stores"),
             QStringLiteral("lab pc-1 operator"));
    QCOMPARE(scalar("select device_name || ' ' || ch1_unit || ' ' || ch1_min || ' ' || ch1_max || "
                    "' ' || position || ' ' || first_point || ' ' || last_point from "
                    "moravin_devices where serialno = 'D1'"),
             QStringLiteral("Fridge 1 1 -2.5 8 0 1700000000 1700000599"));
    QCOMPARE(scalar("select count(*) from moravin_devices where position < 0"),
             QStringLiteral("3")); // devices with readings but not in the list
    QTRY_COMPARE_WITH_TIMEOUT(scalar("select string_agg(kind || ':' || serialno || ':' || channel, "
                                     "',' order by local_id) from moravin_events"),
                              QStringLiteral("record_start::0,alarm_begin:D1:2"), 10000);

    // Recording goes on; a flapping alarm merged into its first entry.
    writeReadings(writer, 4, 100, 1700000600);
    QVERIFY(writer.flush());
    QVERIFY(writer.setRepeats(2, 5));
    forwarder.wake();
    QVERIFY(waitUntilEqual(spool, s.storeId));
    QTRY_COMPARE_WITH_TIMEOUT(scalar("select repeats from moravin_events where local_id = 2"),
                              QStringLiteral("5"), 10000);

    // A device removed and one renamed: the catalogue follows.
    d.deviceName = "Fridge 1 (door)";
    d.ch2Name = "Humidity";
    ServerDevice added;
    added.serialNo = "D9";
    forwarder.setDevices({added, d});
    QTRY_COMPARE_WITH_TIMEOUT(
        scalar("select string_agg(serialno || '=' || position || ':' || device_name, ',' order "
               "by serialno) from moravin_devices"),
        QStringLiteral("D0=-1:,D1=1:Fridge 1 (door),D2=-1:,D3=-1:,D9=0:"), 10000);
    QVERIFY(!states.isEmpty());
}

void tst_Forwarder::serverStoppedDuringRecordingLosesNothing()
{
    const QString spool = m_dir.filePath("outage.dat");
    SpoolWriter writer(spool);
    QVERIFY(writer.open());
    ForwarderSettings s = settingsFor(spool);
    Forwarder forwarder(s);
    QVector<EventRecord> events;
    connect(&forwarder, &Forwarder::serverEvent, this,
            [&](const EventRecord &e) { events.append(e); });
    QSignalSpy problems(&forwarder, &Forwarder::problem);
    QSignalSpy sent(&forwarder, &Forwarder::forwarded);

    // The recorder: 16 devices, a flush every few ticks, all the time.
    qint64 second = 1710000000;
    QTimer recorder;
    connect(&recorder, &QTimer::timeout, this, [&] {
        writeReadings(writer, 16, 1, second++);
        if (writer.buffered() >= 64)
            QVERIFY(writer.flush());
    });
    recorder.start(10);
    forwarder.start();
    QTRY_VERIFY_WITH_TIMEOUT(sent.size() >= 3, 20000);

    QVERIFY(m_server.stop());
    const qint64 stoppedAt = second;
    QTRY_COMPARE_WITH_TIMEOUT(forwarder.state(), Forwarder::State::Unreachable, 20000);
    QTRY_COMPARE_WITH_TIMEOUT(events.size(), 1, 10000);
    const EventRecord lost = events.at(0);
    QCOMPARE(lost.kind, QString(EventKind::ServerLost));
    QVERIFY2(lost.detail.contains("reason"), qPrintable(lost.detail));
    QVERIFY(!problems.isEmpty());
    // Recording goes on; readings wait in the spool.
    QTRY_VERIFY_WITH_TIMEOUT(second > stoppedAt + 40 && forwarder.waiting() > 200, 20000);
    QVERIFY2(forwarder.statusText().contains(" readings waiting"),
             qPrintable(forwarder.statusText()));

    QString error;
    QVERIFY2(m_server.start(&error), qPrintable(error));
    QTRY_COMPARE_WITH_TIMEOUT(forwarder.state(), Forwarder::State::Connected, 30000);
    QTRY_COMPARE_WITH_TIMEOUT(events.size(), 2, 10000);
    QCOMPARE(events.at(1).kind, QString(EventKind::ServerBack));
    QVERIFY2(events.at(1).detail.contains("down_seconds"), qPrintable(events.at(1).detail));

    recorder.stop();
    QVERIFY(writer.flush());
    forwarder.wake();
    QVERIFY(waitUntilEqual(spool, s.storeId));
    qint64 last = 0;
    for (const QList<QVariant> &b : sent) {
        QVERIFY2(b.at(0).toLongLong() > last, "batches went out of id order");
        last = b.at(0).toLongLong();
    }
    QCOMPARE(
        scalar("select count(*) - count(distinct (serialno, pointdate)) from moravin_readings"),
        QStringLiteral("0"));
}

void tst_Forwarder::wrongConnectionString()
{
    const QString spool = m_dir.filePath("wrong.dat");
    SpoolWriter writer(spool);
    QVERIFY(writer.open());
    writeReadings(writer, 2, 50, 1700000000);
    QVERIFY(writer.flush());
    const QStringList before = SpoolComparison::spoolRows(spool);

    ForwarderSettings s = settingsFor(spool);
    s.connection = m_server.connectionString("moravin_admin", "no_such_database");
    Forwarder forwarder(s);
    QSignalSpy problems(&forwarder, &Forwarder::problem);
    int events = 0;
    connect(&forwarder, &Forwarder::serverEvent, this, [&] { ++events; });
    forwarder.start();
    QTRY_VERIFY_WITH_TIMEOUT(!problems.isEmpty(), 10000);
    const QString message = problems.at(0).at(0).toString();
    QVERIFY2(message.startsWith("The server cannot be reached") &&
                 message.contains("no_such_database"),
             qPrintable(message));
    QCOMPARE(forwarder.state(), Forwarder::State::Unreachable);
    QCOMPARE(forwarder.statusText(), QStringLiteral("Server: not reachable"));
    QTRY_COMPARE_WITH_TIMEOUT(events, 1, 5000);
    // Retries do not repeat the same message.
    QTest::qWait(600);
    QCOMPARE(problems.size(), 1);
    QCOMPARE(SpoolComparison::spoolRows(spool), before);
}

void tst_Forwarder::userWithoutWriteRights()
{
    // The tables exist (made by another recorder); this user may only read.
    QString error;
    QVERIFY2(m_server.exec("do $$ begin if not exists (select from pg_roles where rolname = "
                           "'reader') then create role reader login; end if; end $$",
                           &error, m_db),
             qPrintable(error));
    const QString spool = m_dir.filePath("rights.dat");
    SpoolWriter writer(spool);
    QVERIFY(writer.open());
    writeReadings(writer, 3, 100, 1700000000);
    QVERIFY(writer.flush());
    {
        ForwarderSettings other = settingsFor(m_dir.filePath("none.dat"));
        SpoolWriter empty(other.spoolPath);
        QVERIFY(empty.open());
        Forwarder first(other);
        first.start();
        QTRY_COMPARE_WITH_TIMEOUT(first.state(), Forwarder::State::Connected, 20000);
    }
    QVERIFY(m_server.exec("grant select on all tables in schema public to reader", &error, m_db));

    ForwarderSettings s = settingsFor(spool);
    s.connection = connection("reader");
    Forwarder forwarder(s);
    QSignalSpy problems(&forwarder, &Forwarder::problem);
    forwarder.start();
    QTRY_VERIFY_WITH_TIMEOUT(!problems.isEmpty(), 20000);
    const QString message = problems.at(0).at(0).toString();
    QVERIFY2(message.contains("permission denied"), qPrintable(message));
    QCOMPARE(forwarder.state(), Forwarder::State::Refused);
    QCOMPARE(forwarder.statusText(), QStringLiteral("Server: refuses the readings"));
    QCOMPARE(scalar("select count(*) from moravin_readings"), QStringLiteral("0"));

    // The owner grants the rights: everything arrives.
    QVERIFY(m_server.exec("grant insert, update on all tables in schema public to reader", &error,
                          m_db));
    QVERIFY(waitUntilEqual(spool, s.storeId));
    QTRY_COMPARE_WITH_TIMEOUT(forwarder.state(), Forwarder::State::Connected, 10000);
}

void tst_Forwarder::rowsTheServerRefuses()
{
    const QString spool = m_dir.filePath("refused.dat");
    SpoolWriter writer(spool);
    QVERIFY(writer.open());
    writeReadings(writer, 2, 300, 1700000000);
    QVERIFY(writer.flush());
    // A file written by another program: a serial number that is no UTF-8,
    // and a time the site's administrator does not accept.
    QVERIFY(writer.insertRaw(QByteArray("D\xff\xfe", 3), 1, 2, 1700000300));
    QVERIFY(writer.insertRaw("D0", 3, 4, -5));
    writeReadings(writer, 2, 300, 1700000301);
    QVERIFY(writer.flush());

    ForwarderSettings s = settingsFor(spool);
    {
        // The tables first, then the administrator's rule.
        Forwarder first(settingsFor(m_dir.filePath("none2.dat")));
        SpoolWriter empty(m_dir.filePath("none2.dat"));
        QVERIFY(empty.open());
        first.start();
        QTRY_COMPARE_WITH_TIMEOUT(first.state(), Forwarder::State::Connected, 20000);
    }
    QString error;
    QVERIFY2(m_server.exec("alter table moravin_readings add constraint sane_time check "
                           "(pointdate > 0)",
                           &error, m_db),
             qPrintable(error));

    Forwarder forwarder(s);
    QSignalSpy problems(&forwarder, &Forwarder::problem);
    forwarder.start();
    QTRY_COMPARE_WITH_TIMEOUT(forwarder.waiting(), qint64(0), 30000);
    QCOMPARE(problems.size(), 2);
    QVERIFY2(problems.at(0).at(0).toString().contains("serialno=D\\xff\\xfe"),
             qPrintable(problems.at(0).at(0).toString()));
    QVERIFY2(problems.at(1).at(0).toString().contains("sane_time") &&
                 problems.at(1).at(0).toString().contains("moravin_rejected"),
             qPrintable(problems.at(1).at(0).toString()));

    // Everything else is stored; the two refused rows are kept aside.
    QStringList expected = SpoolComparison::spoolRows(spool);
    QCOMPARE(expected.size(), 1202);
    expected.removeAt(601);
    expected.removeAt(600);
    QCOMPARE(SpoolComparison::serverRows(connection(), s.storeId), expected);
    QCOMPARE(scalar("select string_agg(local_id::text, ',' order by local_id) from "
                    "moravin_rejected"),
             QStringLiteral("601,602"));
    QCOMPARE(forwarder.state(), Forwarder::State::Connected);
}

void tst_Forwarder::twoRecordersWithTheSameProjectName()
{
    const QString spoolA = m_dir.filePath("a/cold.dat");
    const QString spoolB = m_dir.filePath("b/cold.dat");
    QVERIFY(QDir().mkpath(m_dir.filePath("a")) && QDir().mkpath(m_dir.filePath("b")));
    SpoolWriter a(spoolA), b(spoolB);
    QVERIFY(a.open() && b.open());
    writeReadings(a, 2, 200, 1700000000);
    writeReadings(b, 2, 150, 1700000000); // the same serial numbers, even
    QVERIFY(a.flush() && b.flush());

    ForwarderSettings sa = settingsFor(spoolA, "cold");
    ForwarderSettings sb = settingsFor(spoolB, "cold");
    sb.host = "pc-2";
    Forwarder fa(sa), fb(sb);
    fa.start();
    fb.start();
    QVERIFY(waitUntilEqual(spoolA, sa.storeId));
    QVERIFY(waitUntilEqual(spoolB, sb.storeId));
    QCOMPARE(scalar("select string_agg(project_name || '@' || host, ',' order by host) from "
                    "moravin_stores"),
             QStringLiteral("cold@pc-1,cold@pc-2"));
}

void tst_Forwarder::copiedProjectFileIsRefused()
{
    const QString spoolA = m_dir.filePath("orig.dat");
    const QString spoolB = m_dir.filePath("copy.dat");
    SpoolWriter a(spoolA), b(spoolB);
    QVERIFY(a.open() && b.open());
    writeReadings(a, 2, 200, 1700000000);
    writeReadings(b, 2, 300, 1800000000);
    QVERIFY(a.flush() && b.flush());

    ForwarderSettings sa = settingsFor(spoolA);
    {
        Forwarder fa(sa);
        fa.start();
        QVERIFY(waitUntilEqual(spoolA, sa.storeId));
    }
    // The project file copied to another PC: the same store id, another
    // database.
    ForwarderSettings sb = sa;
    sb.spoolPath = spoolB;
    sb.host = "pc-2";
    Forwarder fb(sb);
    QSignalSpy problems(&fb, &Forwarder::problem);
    fb.start();
    QTRY_COMPARE_WITH_TIMEOUT(fb.state(), Forwarder::State::Refused, 20000);
    QVERIFY(!problems.isEmpty());
    QVERIFY2(problems.at(0).at(0).toString().contains("new store id"),
             qPrintable(problems.at(0).at(0).toString()));
    QCOMPARE(SpoolComparison::serverRows(connection(), sa.storeId),
             SpoolComparison::spoolRows(spoolA));
    QCOMPARE(scalar("select host from moravin_stores"), QStringLiteral("pc-1"));
}

void tst_Forwarder::newerSchemaIsNotWritten()
{
    const QString spool = m_dir.filePath("newer.dat");
    SpoolWriter writer(spool);
    QVERIFY(writer.open());
    writeReadings(writer, 2, 20, 1700000000);
    QVERIFY(writer.flush());
    {
        Forwarder first(settingsFor(m_dir.filePath("none3.dat")));
        SpoolWriter empty(m_dir.filePath("none3.dat"));
        QVERIFY(empty.open());
        first.start();
        QTRY_COMPARE_WITH_TIMEOUT(first.state(), Forwarder::State::Connected, 20000);
    }
    QVERIFY(m_server.exec("update moravin_schema set version = 7", nullptr, m_db));
    const QString stores = scalar("select count(*) from moravin_stores");

    Forwarder forwarder(settingsFor(spool));
    QSignalSpy problems(&forwarder, &Forwarder::problem);
    forwarder.start();
    QTRY_VERIFY_WITH_TIMEOUT(!problems.isEmpty(), 20000);
    QVERIFY2(problems.at(0).at(0).toString().contains("newer Moravin"),
             qPrintable(problems.at(0).at(0).toString()));
    QCOMPARE(forwarder.state(), Forwarder::State::Refused);
    QCOMPARE(scalar("select count(*) from moravin_stores"), stores);
    QCOMPARE(scalar("select count(*) from moravin_readings"), QStringLiteral("0"));
}

QTEST_GUILESS_MAIN(tst_Forwarder)
#include "tst_Forwarder.moc"
