#include "OpenFiles.h"
#include "core/ConnectionTag.h"
#include "core/NoValue.h"
#include "store/ReadingsCursor.h"
#include "store/ReadingsDatabase.h"
#include "store/StoreSchema.h"

#include <QCryptographicHash>
#include <QTemporaryDir>
#include <QUuid>
#include <QtTest>

#include <sqlite3.h>

#include <atomic>
#include <optional>
#include <thread>
#include <vector>

namespace {

struct Row
{
    QByteArray serial;
    std::optional<double> ch1;
    std::optional<double> ch2;
    qint64 time;
};

// A writer's connection, as the recorder holds one.
class Writer
{
public:
    explicit Writer(const QString &path) { sqlite3_open(path.toUtf8().constData(), &m_db); }
    ~Writer() { sqlite3_close(m_db); }
    bool exec(const char *sql)
    {
        return sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
    }
    void insert(const std::vector<Row> &rows)
    {
        sqlite3_stmt *st = nullptr;
        sqlite3_prepare_v2(m_db,
                           "insert into kelvantis (serialno, channel1, channel2, pointDate)"
                           " values (?, ?, ?, ?)",
                           -1, &st, nullptr);
        exec("begin");
        for (const Row &r : rows) {
            sqlite3_bind_text(st, 1, r.serial.constData(), r.serial.size(), SQLITE_TRANSIENT);
            r.ch1 ? sqlite3_bind_double(st, 2, *r.ch1) : sqlite3_bind_null(st, 2);
            r.ch2 ? sqlite3_bind_double(st, 3, *r.ch2) : sqlite3_bind_null(st, 3);
            sqlite3_bind_int64(st, 4, r.time);
            sqlite3_step(st);
            sqlite3_reset(st);
        }
        exec("commit");
        sqlite3_finalize(st);
    }

private:
    sqlite3 *m_db = nullptr;
};

QByteArray hashOf(const QString &path)
{
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
}

struct Read
{
    int device;
    qint64 time;
    double ch1;
    double ch2;
    bool operator==(const Read &o) const
    {
        return device == o.device && time == o.time && ch1 == o.ch1 && ch2 == o.ch2;
    }
};

std::vector<Read> readAll(ReadingsCursor &cursor)
{
    std::vector<Read> out;
    while (cursor.next())
        out.push_back({cursor.device(), cursor.time(), cursor.value(0), cursor.value(1)});
    return out;
}

} // namespace

class TestReadingsDatabase : public QObject
{
    Q_OBJECT
private:
    QTemporaryDir m_dir;
    int m_count = 0;

    QString freshDatabase(const std::vector<Row> &rows, const char *journal = "delete")
    {
        const QString path = m_dir.filePath(QString("r%1.dat").arg(++m_count));
        Writer w(path);
        w.exec(QByteArray("pragma journal_mode = ").append(journal).constData());
        w.exec(StoreSchema::Readings::CreateStatement);
        w.insert(rows);
        return path;
    }

private slots:
    void opensReadOnlyAndNeverCreatesAFile()
    {
        const QString missing = m_dir.filePath("missing.dat");
        {
            const ReadingsDatabase db(missing, "tagviewerdb");
            QVERIFY(!db.isOpen());
            QVERIFY(!db.errorText().isEmpty());
            QCOMPARE(db.name(), QStringLiteral("tagviewerdb"));
            RowIdSpan span;
            QVERIFY(!db.rowIds(&span));
        }
        QVERIFY(!QFile::exists(missing));

        const QString path = freshDatabase({{"A", 1, 2, 100}});
        const QByteArray before = hashOf(path);
        {
            const ReadingsDatabase db(path);
            QVERIFY(db.isOpen());
            QCOMPARE(sqlite3_exec(db.handle(), "delete from kelvantis", nullptr, nullptr, nullptr),
                     SQLITE_READONLY);
            QCOMPARE(sqlite3_exec(db.handle(), "create table x (a)", nullptr, nullptr, nullptr),
                     SQLITE_READONLY);
            QVERIFY(OpenFiles::countOn(path) > 0);
        }
        QCOMPARE(hashOf(path), before);
        QCOMPARE(OpenFiles::countOn(path), 0);
    }

    void rowIdsAndTheRecordedPeriod()
    {
        const QString empty = freshDatabase({});
        RowIdSpan span{5, 9};
        qint64 first = -1, last = -1;
        const ReadingsDatabase none(empty);
        QVERIFY(none.rowIds(&span));
        QVERIFY(span.isEmpty());
        QVERIFY(!none.recordedPeriod(&first, &last));

        // The first batch was stored out of time order; the edges decide, not
        // a row in the middle.
        std::vector<Row> rows{{"A", 1, 1, 1005}, {"B", 1, 1, 1001}, {"A", 1, 1, 1003}};
        for (int i = 0; i < ReadingsDatabase::EdgeRows + 10; ++i)
            rows.push_back({"A", 1, 1, 2000 + i});
        rows.push_back({"A", 1, 1, 10}); // a clock set back, far from both ends
        for (int i = 0; i < ReadingsDatabase::EdgeRows; ++i)
            rows.push_back({"B", 1, 1, 50000 + i});
        rows.push_back({"B", {}, {}, 49000});
        const QString path = freshDatabase(rows);
        const ReadingsDatabase db(path);
        QVERIFY(db.rowIds(&span));
        QCOMPARE(span, (RowIdSpan{1, qint64(rows.size())}));
        QVERIFY(db.recordedPeriod(&first, &last));
        QCOMPARE(first, qint64(1001));
        QCOMPARE(last, qint64(50000 + ReadingsDatabase::EdgeRows - 1));
    }

    void rowIdsComeFromTheEndsOfTheKey()
    {
        std::vector<Row> rows;
        for (int i = 0; i < 50000; ++i)
            rows.push_back({"A", 1, 1, 1000 + i});
        const ReadingsDatabase db(freshDatabase(rows));
        // The virtual machine's steps: a scan of the table would take one
        // or more per row.
        int steps = 0;
        sqlite3_progress_handler(
            db.handle(), 1,
            [](void *count) {
                ++*static_cast<int *>(count);
                return 0;
            },
            &steps);
        RowIdSpan span;
        QVERIFY(db.rowIds(&span));
        sqlite3_progress_handler(db.handle(), 0, nullptr, nullptr);
        QCOMPARE(span, (RowIdSpan{1, 50000}));
        QVERIFY2(steps < 1000, qPrintable(QString::number(steps)));
    }

    void rowIdSpansSplitIntoHalves()
    {
        const auto [a, b] = RowIdSpan{1, 10}.halves();
        QCOMPARE(a, (RowIdSpan{1, 5}));
        QCOMPARE(b, (RowIdSpan{6, 10}));
        const auto [c, d] = RowIdSpan{4, 4}.halves();
        QCOMPARE(c, (RowIdSpan{4, 4}));
        QVERIFY(d.isEmpty());
        const RowIdSpan odd{3, 7};
        QCOMPARE(odd.halves().first.size(), 3);
        QCOMPARE(RowIdSpan().size(), 0);
    }

    void theCursorReadsWhatTheRequestAsksFor()
    {
        const QString path = freshDatabase({{"A", 1.5, 10, 100},
                                            {"B'x_1", {}, 20, 100},
                                            {"C", 9, 9, 101},
                                            {"A", 2.5, {}, 99},
                                            {"B'x_1", 3.5, 21, 102},
                                            {"A", 4.5, 11, 103},
                                            {"A", 5.5, 12, 200}});
        const ReadingsDatabase db(path);
        ReadingsRequest request;
        request.start = 100;
        request.end = 103; // both ends included
        QCOMPARE(request.addChannel("B'x_1", 1), 0);
        QCOMPARE(request.addChannel("A", 0), 1);
        QCOMPARE(request.addChannel("B'x_1", 1), 0);
        QVERIFY(request.columns[0] && request.columns[1]);
        RowIdSpan span;
        QVERIFY(db.rowIds(&span));

        ReadingsCursor all(db, request, span);
        const std::vector<Read> rows = readAll(all);
        QVERIFY(!all.failed());
        // Row id order; channel 1 of B and channel 2 of A are fetched too,
        // since both columns are asked for; a NULL is NoValue.
        const std::vector<Read> expected{
            {1, 100, 1.5, 10}, {0, 100, NoValue, 20}, {0, 102, 3.5, 21}, {1, 103, 4.5, 11}};
        QVERIFY(rows == expected);

        // Only channel 2 asked for: channel 1 reads as NoValue. A span cuts
        // the rows by id.
        ReadingsRequest second;
        second.start = 0;
        second.end = 1000;
        second.addChannel("A", 1);
        ReadingsCursor part(db, second, RowIdSpan{2, 6});
        const std::vector<Read> some = readAll(part);
        QVERIFY(some == (std::vector<Read>{{0, 99, NoValue, NoValue}, {0, 103, NoValue, 11}}));
    }

    void theStatementNamesTheStoredTableAndColumns()
    {
        const bool both[2] = {true, true};
        QCOMPARE(ReadingsCursor::statement(2, both),
                 QByteArray("select case serialno when ?5 then 0 when ?6 then 1 else -1 end, "
                            "pointDate, channel1, channel2 from kelvantis where rowid >= ?1 and "
                            "rowid <= ?2 and pointDate >= ?3 and pointDate <= ?4 and serialno in "
                            "(?5, ?6)"));
        const bool second[2] = {false, true};
        QVERIFY(ReadingsCursor::statement(1, second).contains("pointDate, null, channel2 from"));
    }

    void filesThatAreNoReadingsDatabaseFail_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("error");
        const QString text = m_dir.filePath("text.dat");
        QFile f(text);
        f.open(QIODevice::WriteOnly);
        f.write(QByteArray(4096, 'x'));
        f.close();
        QTest::newRow("not SQLite") << text << "file is not a database";
        const QString other = m_dir.filePath("other.dat");
        Writer w(other);
        w.exec("create table kelvantis (id integer primary key, serialno text, pointDate integer)");
        QTest::newRow("missing column") << other << "no such column: channel1";
    }

    void filesThatAreNoReadingsDatabaseFail()
    {
        QFETCH(QString, path);
        QFETCH(QString, error);
        const ReadingsDatabase db(path);
        ReadingsRequest request;
        request.addChannel("A", 0);
        ReadingsCursor cursor(db, request, RowIdSpan{0, 100});
        QVERIFY(!cursor.next());
        QVERIFY(cursor.failed());
        QCOMPARE(cursor.errorText(), error);
    }

    void aStatementLeftHalfWayReleasesTheFile()
    {
        std::vector<Row> rows;
        for (int i = 0; i < 100; ++i)
            rows.push_back({"A", double(i), 0, 1000 + i});
        const QString path = freshDatabase(rows);
        const ReadingsDatabase db(path);
        ReadingsRequest request;
        request.end = 5000;
        request.addChannel("A", 0);
        Writer writer(path);
        {
            ReadingsCursor cursor(db, request, RowIdSpan{1, 100});
            QVERIFY(cursor.next());
            // The reader holds its lock while the statement is unfinished.
            QVERIFY(!writer.exec("begin exclusive"));
        }
        QVERIFY(writer.exec("begin exclusive"));
        QVERIFY(writer.exec("commit"));
    }

    void aReaderWaitsForTheWritersLock()
    {
        const QString path = freshDatabase({{"A", 1, 1, 100}, {"A", 2, 2, 101}});
        Writer writer(path);
        QVERIFY(writer.exec("begin exclusive"));
        QVERIFY(writer.exec("insert into kelvantis (serialno, channel1, channel2, pointDate)"
                            " values ('A', 3, 3, 102)"));
        std::atomic<bool> started{false};
        std::vector<Read> rows;
        bool failed = true;
        std::thread reader([&] {
            const ReadingsDatabase db(path);
            ReadingsRequest request;
            request.end = 1000;
            request.addChannel("A", 0);
            started = true;
            ReadingsCursor cursor(db, request, RowIdSpan{1, 100});
            rows = readAll(cursor);
            failed = cursor.failed();
        });
        QTRY_VERIFY_WITH_TIMEOUT(started.load(), 5000);
        // Well inside the reader's busy timeout, the writer commits.
        QVERIFY(writer.exec("commit"));
        reader.join();
        QVERIFY(!failed);
        QCOMPARE(int(rows.size()), 3);
    }

    void connectionTagsAreFreshUuids()
    {
        const QString a = ConnectionTag::create();
        const QString b = ConnectionTag::create();
        QVERIFY(a != b);
        const QUuid uuid(QString::fromLatin1(QByteArray::fromBase64(a.toLatin1())));
        QVERIFY(!uuid.isNull());
        QCOMPARE(QString::fromLatin1(QByteArray::fromBase64(a.toLatin1())), uuid.toString());
    }
};

QTEST_GUILESS_MAIN(TestReadingsDatabase)
#include "tst_ReadingsDatabase.moc"
