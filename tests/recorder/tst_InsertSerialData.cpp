#include "core/NoValue.h"
#include "store/InsertSerialData.h"

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

} // namespace

class TestInsertSerialData : public QObject
{
    Q_OBJECT
private:
    QTemporaryDir m_dir;
    int m_next = 0;
    QString freshPath() { return m_dir.filePath(QStringLiteral("db%1.dat").arg(++m_next)); }

private slots:
    void cleanup() { InsertSerialData::clearPending(); }

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
        QCOMPARE(objects, QStringList({"kelvantis", "sqlite_sequence"}));
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

        InsertSerialData::append(row("S1", 21.5, 40.2, 1577836800));
        InsertSerialData::append(row("S2", NoValue, 18, 1577836800));
        InsertSerialData::append(row("S3", NoValue, NoValue, 1577836810));
        InsertSerialData::append(row("S4", 23.456789, 1234567, 1577836805));
        InsertSerialData::append(row("S5", std::numeric_limits<double>::quiet_NaN(),
                                     std::numeric_limits<double>::infinity(), 1577836790));
        QCOMPARE(InsertSerialData::pendingCount(), 5);
        QVERIFY(writer.insertNow());
        QCOMPARE(InsertSerialData::pendingCount(), 0);

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
        InsertSerialData::append(row("S1", 1, 2, 100));
        InsertSerialData::append(row("S1", 1, 2, 100));
        QVERIFY(writer.insertNow());
        InsertSerialData::append(row("S1", 1, 2, 100));
        QVERIFY(writer.insertNow());
        QCOMPARE(storedRows(path).size(), 2);
    }

    void serialNumbersAreBoundNotPasted()
    {
        const QString path = freshPath();
        InsertSerialData writer(path, "t4");
        QVERIFY(writer.createConnection());
        const QString evil = QStringLiteral("x', 1, 1, 1; drop table kelvantis; --");
        InsertSerialData::append(row(evil, 1, 2, 100));
        InsertSerialData::append(row("O'Brien", 3, 4, 101));
        QVERIFY(writer.insertNow());
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
        for (int i = 0; i < count; ++i)
            InsertSerialData::append(row("S", i, -i, quint32(1000 + i)));
        QVERIFY(writer.insertNow());
        QCOMPARE(InsertSerialData::pendingCount(), 0);
        QCOMPARE(storedRows(path).size(), count);
        QCOMPARE(writer.endDateTime(), quint64(1000 + count - 1));
    }

    void reopeningKeepsRowsAndTable()
    {
        const QString path = freshPath();
        {
            InsertSerialData writer(path, "t6a");
            QVERIFY(writer.createConnection());
            InsertSerialData::append(row("S1", 1, 1, 50));
            QVERIFY(writer.insertNow());
        }
        InsertSerialData writer(path, "t6b");
        QVERIFY(writer.createConnection());
        InsertSerialData::append(row("S1", 2, 2, 60));
        QVERIFY(writer.insertNow());
        QCOMPARE(storedRows(path).size(), 2);
        QCOMPARE(writer.startDateTime(), quint64(50));
    }

    void lockedDatabaseKeepsTheBatchForALaterFlush()
    {
        const QString path = freshPath();
        InsertSerialData writer(path, "t7");
        QVERIFY(writer.createConnection());
        InsertSerialData::append(row("S1", 1, 1, 10));
        InsertSerialData::append(row("S1", 2, 2, 20));

        {
            // Another program holds the write lock.
            QSqlDatabase other = QSqlDatabase::addDatabase("QSQLITE", "locker");
            other.setDatabaseName(path);
            QVERIFY(other.open());
            QSqlQuery q(other);
            QVERIFY(q.exec("begin immediate"));
            QVERIFY(!writer.insertNow());
            QCOMPARE(InsertSerialData::pendingCount(), 2);
            InsertSerialData::append(row("S1", 3, 3, 30));
            // Opening the project meanwhile is no error either.
            QVERIFY(InsertSerialData(path, "t7b").createConnection());
            QVERIFY(q.exec("rollback"));
            q.clear();
            other.close();
        }
        QSqlDatabase::removeDatabase("locker");

        QVERIFY(writer.insertNow());
        QCOMPARE(InsertSerialData::pendingCount(), 0);
        const QList<StoredRow> rows = storedRows(path);
        QCOMPARE(rows.size(), 3);
        QList<qlonglong> times;
        for (const StoredRow &r : rows)
            times << r.pointDate;
        std::sort(times.begin(), times.end());
        QCOMPARE(times, QList<qlonglong>({10, 20, 30}));
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
            InsertSerialData::append(row("S1", 1, 1, 10));
            QVERIFY(writer.insertNow());
            QVERIFY(q.exec("commit"));
            q.clear();
            reader.close();
        }
        QSqlDatabase::removeDatabase("longreader");
        QCOMPARE(storedRows(path).size(), 1);
    }

    void rowsGoOnlyIntoTheDatabaseTheyWereRecordedFor()
    {
        const QString first = freshPath();
        const QString second = freshPath();
        InsertSerialData::append(row("NOPROJECT", 1, 1, 1));
        QCOMPARE(InsertSerialData::pendingCount(), 0);
        {
            InsertSerialData a(first, "t9a");
            QVERIFY(a.createConnection());
            InsertSerialData::append(row("A", 1, 1, 10));
        }
        InsertSerialData b(second, "t9b");
        QVERIFY(b.createConnection());
        InsertSerialData::append(row("B", 2, 2, 20));
        QVERIFY(b.insertNow());
        const QList<StoredRow> rows = storedRows(second);
        QCOMPARE(rows.size(), 1);
        QCOMPARE(rows[0].serialNo, QStringLiteral("B"));
        // The first project's row waits for its own database.
        QCOMPARE(InsertSerialData::pendingCount(), 1);
        InsertSerialData again(first, "t9c");
        QVERIFY(again.createConnection());
        QVERIFY(again.insertNow());
        QCOMPARE(storedRows(first).size(), 1);
        QCOMPARE(InsertSerialData::pendingCount(), 0);
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
            // No project database is open, so the row belongs nowhere.
            InsertSerialData::append(row("S", 1, 1, 1));
            QCOMPARE(InsertSerialData::pendingCount(), 0);
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
            InsertSerialData::append(row("S", 1, 1, 1));
            QVERIFY(writer.insertNow());
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
