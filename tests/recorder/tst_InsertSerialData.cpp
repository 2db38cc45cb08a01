#include "core/NoValue.h"
#include "store/InsertSerialData.h"
#include "store/StoreSchema.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

#include <limits>

namespace {

struct StoredRow
{
    QString serialNo;
    QVariant channel1;
    QVariant channel2;
    qlonglong pointDate;
};

// Reads a database the way a companion program does: its own connection.
QList<StoredRow> storedRows(const QString &path)
{
    QList<StoredRow> rows;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "reader");
        db.setDatabaseName(path);
        if (db.open()) {
            QSqlQuery q(db);
            q.exec("select serialno, channel1, channel2, pointDate from kelvantis order by id");
            while (q.next())
                rows.append(
                    {q.value(0).toString(), q.value(1), q.value(2), q.value(3).toLongLong()});
        }
    }
    QSqlDatabase::removeDatabase("reader");
    return rows;
}

PendingRow row(const QString &serial, double c1, double c2, quint32 t)
{
    return PendingRow{serial, c1, c2, t};
}

StoreBatch readings(const QVector<PendingRow> &rows)
{
    StoreBatch batch;
    batch.readings = rows;
    return batch;
}

using Outcome = InsertSerialData::Outcome;

// Holds the write lock from another connection until it goes out of scope.
class WriteLock
{
public:
    explicit WriteLock(const QString &path)
    {
        m_db = QSqlDatabase::addDatabase("QSQLITE", "locker");
        m_db.setDatabaseName(path);
        m_locked = m_db.open() && QSqlQuery(m_db).exec("begin immediate");
    }
    ~WriteLock()
    {
        QSqlQuery(m_db).exec("rollback");
        m_db.close();
        m_db = QSqlDatabase();
        QSqlDatabase::removeDatabase("locker");
    }
    bool locked() const { return m_locked; }

private:
    QSqlDatabase m_db;
    bool m_locked = false;
};

} // namespace

class TestInsertSerialData : public QObject
{
    Q_OBJECT
private:
    QTemporaryDir m_dir;
    int m_next = 0;
    QString freshPath() { return m_dir.filePath(QStringLiteral("db%1.dat").arg(++m_next)); }

private slots:
    void createsTheTableWithTheExactStatement()
    {
        const QString path = freshPath();
        {
            InsertSerialData writer(path, "t1");
            QVERIFY(writer.createConnection());
            QVERIFY(writer.isOpened());
            QVERIFY(writer.createConnection());
        }
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "schema");
        db.setDatabaseName(path);
        QVERIFY(db.open());
        QSqlQuery q(db);
        QVERIFY(q.exec("select type, name, sql from sqlite_master order by name"));
        QStringList objects;
        QString sql;
        while (q.next()) {
            objects << q.value(1).toString();
            if (q.value(1).toString() == "kelvantis")
                sql = q.value(2).toString();
        }
        QCOMPARE(sql,
                 QStringLiteral("CREATE TABLE kelvantis (\t\tid integer primary key "
                                "autoincrement,\t\tserialno varchar(18) not null, \t\tchannel1 "
                                "float, channel2 float, \t\tpointDate integer not null\t\t)"));
        // The event log and the block summary are added beside the readings.
        QCOMPARE(objects, QStringList({"events", "events_eventTime", "kelvantis", "readings_blocks",
                                       "readings_blocks_insert", "readings_blocks_state",
                                       "readings_blocks_update", "sqlite_sequence"}));
        QVERIFY(q.exec("PRAGMA page_size") && q.next());
        QCOMPARE(q.value(0).toInt(), 4096);
        QVERIFY(q.exec("PRAGMA journal_mode") && q.next());
        QCOMPARE(q.value(0).toString(), QStringLiteral("wal"));
        q.clear();
        db.close();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase("schema");
    }

    void writesRowsWithNullsRoundingAndTimes()
    {
        const QString path = freshPath();
        InsertSerialData writer(path, "t2");
        QVERIFY(writer.createConnection());
        QCOMPARE(writer.startDateTime(), quint64(0));
        QCOMPARE(writer.endDateTime(), quint64(0));

        QCOMPARE(
            writer.write(readings(
                {row("S1", 21.5, 40.2, 1577836800), row("S2", NoValue, 18, 1577836800),
                 row("S3", NoValue, NoValue, 1577836810), row("S4", 23.456789, 1234567, 1577836805),
                 row("S5", std::numeric_limits<double>::quiet_NaN(),
                     std::numeric_limits<double>::infinity(), 1577836790)})),
            Outcome::Written);

        QList<StoredRow> rows = storedRows(path);
        QCOMPARE(rows.size(), 5);
        std::sort(rows.begin(), rows.end(),
                  [](const StoredRow &a, const StoredRow &b) { return a.serialNo < b.serialNo; });
        QCOMPARE(rows[0].channel1.toDouble(), 21.5);
        QCOMPARE(rows[0].channel2.toDouble(), 40.2);
        QVERIFY(rows[1].channel1.isNull());
        QCOMPARE(rows[1].channel2.toDouble(), 18.0);
        QVERIFY(rows[2].channel1.isNull() && rows[2].channel2.isNull());
        QCOMPARE(rows[2].pointDate, 1577836810LL);
        QCOMPARE(rows[3].channel1.toDouble(), 23.4568);
        QCOMPARE(rows[3].channel2.toDouble(), 1234570.0);
        QVERIFY(rows[4].channel1.isNull() && rows[4].channel2.isNull());

        QCOMPARE(writer.startDateTime(), quint64(1577836790));
        QCOMPARE(writer.endDateTime(), quint64(1577836810));
    }

    void identicalRowsOfOneBatchAreStoredOnce()
    {
        const QString path = freshPath();
        InsertSerialData writer(path, "t3");
        QVERIFY(writer.createConnection());
        QCOMPARE(writer.write(readings({row("S1", 1, 2, 100), row("S1", 1, 2, 100)})),
                 Outcome::Written);
        QCOMPARE(writer.write(readings({row("S1", 1, 2, 100)})), Outcome::Written);
        QCOMPARE(storedRows(path).size(), 2);
    }

    void serialNumbersAreBoundNotPasted()
    {
        const QString path = freshPath();
        InsertSerialData writer(path, "t4");
        QVERIFY(writer.createConnection());
        const QString evil = QStringLiteral("x', 1, 1, 1; drop table kelvantis; --");
        QCOMPARE(writer.write(readings({row(evil, 1, 2, 100), row("O'Brien", 3, 4, 101)})),
                 Outcome::Written);
        const QList<StoredRow> rows = storedRows(path);
        QCOMPARE(rows.size(), 2);
        QStringList serials{rows[0].serialNo, rows[1].serialNo};
        QVERIFY(serials.contains(evil));
        QVERIFY(serials.contains("O'Brien"));
    }

    void largeBacklogIsWrittenInSeveralStatements()
    {
        const QString path = freshPath();
        InsertSerialData writer(path, "t5");
        QVERIFY(writer.createConnection());
        const int count = InsertSerialData::MaxRowsPerStatement * 2 + 37;
        StoreBatch batch;
        for (int i = 0; i < count; ++i)
            batch.readings.append(row("S", i, -i, quint32(1000 + i)));
        QCOMPARE(writer.write(batch), Outcome::Written);
        QCOMPARE(storedRows(path).size(), count);
        QCOMPARE(writer.endDateTime(), quint64(1000 + count - 1));
    }

    void reopeningKeepsRowsAndTable()
    {
        const QString path = freshPath();
        {
            InsertSerialData writer(path, "t6a");
            QVERIFY(writer.createConnection());
            QCOMPARE(writer.write(readings({row("S1", 1, 1, 50)})), Outcome::Written);
        }
        InsertSerialData writer(path, "t6b");
        QVERIFY(writer.createConnection());
        QCOMPARE(writer.write(readings({row("S1", 2, 2, 60)})), Outcome::Written);
        QCOMPARE(storedRows(path).size(), 2);
        QCOMPARE(writer.startDateTime(), quint64(50));
    }

    void lockedDatabaseAnswersBusyAndWritesLater()
    {
        const QString path = freshPath();
        InsertSerialData writer(path, "t7");
        QVERIFY(writer.createConnection());
        const StoreBatch batch = readings({row("S1", 1, 1, 10), row("S1", 2, 2, 20)});
        {
            // Another program holds the write lock.
            WriteLock lock(path);
            QVERIFY(lock.locked());
            QString error;
            QCOMPARE(writer.write(batch, &error), Outcome::Busy);
            QVERIFY(!error.isEmpty());
            // Opening the project meanwhile is no error.
            QVERIFY(InsertSerialData(path, "t7b").createConnection());
        }
        QCOMPARE(writer.write(batch), Outcome::Written);
        QCOMPARE(storedRows(path).size(), 2);
    }

    void readerDoesNotBlockTheWriter()
    {
        const QString path = freshPath();
        InsertSerialData writer(path, "t8");
        QVERIFY(writer.createConnection());
        {
            QSqlDatabase reader = QSqlDatabase::addDatabase("QSQLITE", "longreader");
            reader.setDatabaseName(path);
            QVERIFY(reader.open());
            QSqlQuery q(reader);
            QVERIFY(q.exec("begin"));
            QVERIFY(q.exec("select count(*) from kelvantis") && q.next());
            QCOMPARE(writer.write(readings({row("S1", 1, 1, 10)})), Outcome::Written);
            QVERIFY(q.exec("commit"));
            q.clear();
            reader.close();
        }
        QSqlDatabase::removeDatabase("longreader");
        QCOMPARE(storedRows(path).size(), 1);
    }

    void eventsAreWrittenWithTheReadingsOfTheirBatch()
    {
        const QString path = freshPath();
        InsertSerialData writer(path, "t16");
        QVERIFY(writer.createConnection());
        EventRecord alarm;
        alarm.time = 1577836800;
        alarm.kind = EventKind::AlarmBegin;
        alarm.serialNo = "S1";
        alarm.channel = 2;
        alarm.value = 31.5;
        alarm.limit = 30;
        EventRecord change;
        change.time = 1577836801;
        change.kind = EventKind::ConfigChange;
        change.detail = R"({"field": "ch1Max", "old": 30, "new": 35})";
        change.repeats = 3;
        StoreBatch batch = readings({row("S1", 1, 31.5, 1577836800)});
        batch.events = {alarm, change};
        QCOMPARE(writer.write(batch), Outcome::Written);

        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "events");
        db.setDatabaseName(path);
        QVERIFY(db.open());
        QSqlQuery q(db);
        QVERIFY(q.exec("select eventTime, kind, serialno, channel, value, limitValue, detail, "
                       "repeats from events order by id"));
        QList<EventRecord> stored;
        while (q.next()) {
            EventRecord e;
            e.time = q.value(0).toLongLong();
            e.kind = q.value(1).toString();
            e.serialNo = q.value(2).toString();
            e.channel = q.value(3).toInt();
            if (!q.value(4).isNull())
                e.value = q.value(4).toDouble();
            if (!q.value(5).isNull())
                e.limit = q.value(5).toDouble();
            e.detail = q.value(6).toString();
            e.repeats = q.value(7).toInt();
            stored.append(e);
        }
        QCOMPARE(stored, (QList<EventRecord>{alarm, change}));

        // An event the database refuses takes the readings of its batch
        // with it: one transaction.
        QVERIFY(q.exec("create trigger refuse before insert on events begin "
                       "select raise(abort, 'refused'); end"));
        batch.readings = {row("S2", 5, 5, 1577836900)};
        batch.events = {change};
        QString error;
        QCOMPARE(writer.write(batch, &error), Outcome::Failed);
        QVERIFY2(error.contains("refused"), qPrintable(error));
        QCOMPARE(storedRows(path).size(), 1);
        q.clear();
        db.close();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase("events");
    }

    // A file from before the event log: opened as it is, its readings kept,
    // the event table added.
    void fileWithoutEventTableGetsIt()
    {
        const QString path = freshPath();
        {
            QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "old");
            db.setDatabaseName(path);
            QVERIFY(db.open());
            QSqlQuery q(db);
            QVERIFY(q.exec(StoreSchema::Readings::CreateStatement));
            QVERIFY(q.exec("insert into kelvantis (serialno, channel1, channel2, pointDate) "
                           "values ('OLD', 1, 2, 42)"));
            q.clear();
            db.close();
        }
        QSqlDatabase::removeDatabase("old");
        InsertSerialData writer(path, "t17");
        QVERIFY(writer.createConnection());
        QCOMPARE(writer.startDateTime(), quint64(42));
        StoreBatch batch;
        EventRecord start;
        start.time = 43;
        start.kind = EventKind::RecordStart;
        batch.events = {start};
        QCOMPARE(writer.write(batch), Outcome::Written);
        QCOMPARE(storedRows(path).size(), 1);
    }

    void unusableFilesAreRefusedAndLeftAlone()
    {
        const QString text = freshPath();
        {
            QFile f(text);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(QByteArray("This is not an SQLite database, just some text.\n").repeated(200));
        }
        const QByteArray before = [&] {
            QFile f(text);
            f.open(QIODevice::ReadOnly);
            return f.readAll();
        }();
        {
            InsertSerialData writer(text, "t10");
            QVERIFY(!writer.createConnection());
            QVERIFY(!writer.isOpened());
            QCOMPARE(writer.write(readings({row("S", 1, 1, 1)})), Outcome::Failed);
            QCOMPARE(writer.startDateTime(), quint64(0));
        }
        QFile f(text);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), before);

        QVERIFY(!InsertSerialData(m_dir.filePath("no/such/dir/x.dat"), "t11").createConnection());
    }

    // SQLite falls back to read-only when it cannot create the WAL index;
    // root meets that too. A writer that took such a file would lose every batch.
    void readOnlyDatabaseIsRefused()
    {
        const QString path = freshPath();
        {
            InsertSerialData writer(path, "t12");
            QVERIFY(writer.createConnection());
            QCOMPARE(writer.write(readings({row("S", 1, 1, 1)})), Outcome::Written);
        }
        QVERIFY(QDir().mkdir(path + "-shm"));
        {
            InsertSerialData writer(path, "t13");
            QVERIFY(!writer.createConnection());
            QVERIFY(!writer.isOpened());
        }
        QVERIFY(QDir().rmdir(path + "-shm"));
        QCOMPARE(storedRows(path).size(), 1);
    }

    void directoriesAndPathsUnderFilesAreRefused()
    {
        const QString directory = m_dir.filePath("dir.dat");
        QVERIFY(QDir().mkdir(directory));
        QVERIFY(!InsertSerialData(directory, "t14").createConnection());
        const QString regular = m_dir.filePath("regular.txt");
        {
            QFile f(regular);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("x");
        }
        QVERIFY(!InsertSerialData(regular + "/x.dat", "t15").createConnection());
        QCOMPARE(QFileInfo(regular).size(), qint64(1));
    }
};

QTEST_GUILESS_MAIN(TestInsertSerialData)
#include "tst_InsertSerialData.moc"
