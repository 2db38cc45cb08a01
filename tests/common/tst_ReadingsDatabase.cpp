#include "OpenFiles.h"
#include "core/ConnectionTag.h"
#include "core/NoValue.h"
#include "store/InsertSerialData.h"
#include "store/ReadingsBlocks.h"
#include "store/ReadingsCursor.h"
#include "store/ReadingsDatabase.h"
#include "store/ReadingsRange.h"
#include "store/ReadingsStatement.h"
#include "store/StoreSchema.h"

#include <QCryptographicHash>
#include <QTemporaryDir>
#include <QUuid>
#include <QtTest>

#include <sqlite3.h>

#include <algorithm>
#include <atomic>
#include <limits>
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

// A request for channel 1 of A, or for both channels of C and A.
ReadingsRequest requestFor(bool twoDevices, qint64 start, qint64 end)
{
    ReadingsRequest r;
    r.start = start;
    r.end = end;
    if (twoDevices) {
        r.addChannel("C", 0);
        r.addChannel("C", 1);
    }
    r.addChannel("A", 0);
    return r;
}

std::vector<Read> readSpans(const ReadingsDatabase &db, const ReadingsRequest &request,
                            const QVector<RowIdSpan> &spans)
{
    ReadingsCursor cursor(db, request, spans);
    std::vector<Read> rows = readAll(cursor);
    if (cursor.failed())
        rows.push_back({-99, 0, 0, 0});
    return rows;
}

// Every range read through ReadingsRange against the whole table's read,
// and the recorded period against the table's own min and max. Empty when
// all agree, else what differed; *narrowed counts the reads the summary cut.
QString compareWithFullScans(const QString &path, const QVector<QPair<qint64, qint64>> &ranges,
                             int *narrowed)
{
    const ReadingsDatabase db(path);
    RowIdSpan whole;
    if (!db.rowIds(&whole))
        return "rowIds failed";
    *narrowed = 0;
    for (const auto &range : ranges) {
        for (const bool two : {false, true}) {
            const ReadingsRequest request = requestFor(two, range.first, range.second);
            ReadingsRange located;
            if (!located.locate(db, range.first, range.second))
                return "locate failed";
            if (readSpans(db, request, located.spans()) != readSpans(db, request, {whole}))
                return QString("range %1 .. %2 differs").arg(range.first).arg(range.second);
            *narrowed += located.isNarrowed();
        }
    }
    if (ReadingsRange::hasSummary(db)) {
        qint64 first = 0, last = 0;
        ReadingsStatement st(db, "select min(pointDate), max(pointDate) from kelvantis");
        if (!st.next() || !db.recordedPeriod(&first, &last) || first != st.integer(0) ||
            last != st.integer(1))
            return QString("period %1 .. %2, table %3 .. %4")
                .arg(first)
                .arg(last)
                .arg(st.integer(0))
                .arg(st.integer(1));
    }
    return QString();
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

    // Written as the recorder writes: its writer, batch by batch, each
    // batch's rows stored by device and value rather than by time.
    QString recordedDatabase(const std::vector<Row> &rows, int batchRows, const QString &path = {})
    {
        const QString file =
            path.isEmpty() ? m_dir.filePath(QString("r%1.dat").arg(++m_count)) : path;
        InsertSerialData writer(file, QString("rec%1").arg(++m_count));
        if (!writer.createConnection())
            return QString();
        for (size_t i = 0; i < rows.size(); i += size_t(batchRows)) {
            StoreBatch batch;
            for (size_t j = i; j < std::min(rows.size(), i + size_t(batchRows)); ++j)
                batch.readings.append(
                    PendingRow{QString::fromUtf8(rows[j].serial), rows[j].ch1.value_or(NoValue),
                               rows[j].ch2.value_or(NoValue), quint32(rows[j].time)});
            if (writer.write(batch) != InsertSerialData::Outcome::Written)
                return QString();
        }
        return file;
    }

    QString copyOf(const QString &path)
    {
        const QString copy = m_dir.filePath(QString("c%1.dat").arg(++m_count));
        return QFile::copy(path, copy) ? copy : QString();
    }

    static constexpr qint64 T0 = 1000000;

    // Three devices a second for 8000 s; the clock set back by 6000 s for
    // 2000 s; then, after more than a day without rows, 4000 s more.
    static std::vector<Row> clockSetBackRows()
    {
        std::vector<Row> rows;
        const auto second = [&rows](qint64 t) {
            for (const char *serial : {"A", "B", "C"})
                rows.push_back({serial, double(t % 97), double(t % 13), t});
        };
        for (qint64 t = T0; t < T0 + 8000; ++t)
            second(t);
        for (qint64 t = T0 + 2000; t < T0 + 4000; ++t)
            second(t);
        for (qint64 t = T0 + 8000 + 2 * 86400; t < T0 + 12000 + 2 * 86400; ++t)
            second(t);
        return rows;
    }

    static QVector<QPair<qint64, qint64>> probeRanges()
    {
        const qint64 gapDay = T0 + 8000 + 86400;
        return {{0, std::numeric_limits<qint64>::max()},
                {0, T0 - 1},              // before the first row
                {T0 - 100, T0 + 10},      // starting before it
                {T0 + 6000, T0 + 7000},   // after the set-back, clear of it
                {T0 + 3000, T0 + 3100},   // recorded twice: before and after it
                {T0 + 3999, T0 + 3999},   // one second
                {gapDay, gapDay + 86399}, // a day with no rows
                {gapDay + 86400 - 10, gapDay + 86400 + 10},
                {T0 + 10000000, T0 + 10000010}}; // after the last row
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
        const auto [a, b] = ReadingsRange({RowIdSpan{1, 10}}).halves();
        QCOMPARE(a.spans(), (QVector<RowIdSpan>{{1, 5}}));
        QCOMPARE(b.spans(), (QVector<RowIdSpan>{{6, 10}}));
        const auto [c, d] = ReadingsRange({RowIdSpan{4, 4}}).halves();
        QCOMPARE(c.spans(), (QVector<RowIdSpan>{{4, 4}}));
        QCOMPARE(d.size(), 0);
        QCOMPARE(ReadingsRange({RowIdSpan{3, 7}}).halves().first.size(), 3);
        QCOMPARE(RowIdSpan().size(), 0);
        // Several spans: cut by row ids, a span split where the middle falls.
        const auto [e, f] = ReadingsRange({{1, 2}, {10, 19}, {30, 31}}).halves();
        QCOMPARE(e.spans(), (QVector<RowIdSpan>{{1, 2}, {10, 14}}));
        QCOMPARE(f.spans(), (QVector<RowIdSpan>{{15, 19}, {30, 31}}));
        const auto [g, h] = ReadingsRange({{1, 3}, {10, 12}}).halves();
        QCOMPARE(g.spans(), (QVector<RowIdSpan>{{1, 3}}));
        QCOMPARE(h.spans(), (QVector<RowIdSpan>{{10, 12}}));
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

        ReadingsCursor all(db, request, {span});
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
        ReadingsCursor part(db, second, {RowIdSpan{2, 6}});
        const std::vector<Read> some = readAll(part);
        QVERIFY(some == (std::vector<Read>{{0, 99, NoValue, NoValue}, {0, 103, NoValue, 11}}));
    }

    void theStatementNamesTheStoredTableAndColumns()
    {
        const bool both[2] = {true, true};
        QCOMPARE(ReadingsCursor::statement(2, both),
                 QByteArray("select case serialno when ?5 then 0 when ?6 then 1 else -1 end, "
                            "pointDate, channel1, channel2 from kelvantis where rowid >= ?1 and "
                            "rowid <= ?2 and serialno in (?5, ?6) and pointDate >= ?3 and "
                            "pointDate <= ?4"));
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
        ReadingsCursor cursor(db, request, {RowIdSpan{0, 100}});
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
            ReadingsCursor cursor(db, request, {RowIdSpan{1, 100}});
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
            ReadingsCursor cursor(db, request, {RowIdSpan{1, 100}});
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

    // Exactness: reads through the block summary give what the whole table
    // gives, on files the recorder wrote, files without the summary, and
    // files whose summary other programs left stale or damaged.
    void rangeReadsEqualTheFullScan()
    {
        const std::vector<Row> rows = clockSetBackRows();
        const QString recorded = recordedDatabase(rows, 300);
        QVERIFY(!recorded.isEmpty());
        int narrowed = 0;
        QString differs = compareWithFullScans(recorded, probeRanges(), &narrowed);
        QVERIFY2(differs.isEmpty(), qPrintable(differs));
        QVERIFY2(narrowed >= 8, qPrintable(QString::number(narrowed)));
        {
            // One hour reads a few blocks, not the table.
            const ReadingsDatabase db(recorded);
            ReadingsRange hour;
            QVERIFY(hour.locate(db, T0 + 6000, T0 + 7000));
            QVERIFY2(hour.size() <= 3 * 4096, qPrintable(QString::number(hour.size())));
            QVERIFY(ReadingsRange::hasSummary(db));
        }

        // A file without the summary: read whole, same rows.
        const QString plain = freshDatabase(rows);
        differs = compareWithFullScans(plain, probeRanges(), &narrowed);
        QVERIFY2(differs.isEmpty(), qPrintable(differs));
        QCOMPARE(narrowed, 0);

        // Another program: rows appended with the triggers switched off, in
        // the summarized range's times; a reading's time changed (earlier
        // than any); rows deleted.
        const QString around = copyOf(recorded);
        {
            Writer other(around);
            sqlite3 *h = nullptr;
            QVERIFY(sqlite3_open(around.toUtf8().constData(), &h) == SQLITE_OK);
            QVERIFY(sqlite3_db_config(h, SQLITE_DBCONFIG_ENABLE_TRIGGER, 0, nullptr) == SQLITE_OK);
            QVERIFY(sqlite3_exec(h,
                                 "insert into kelvantis (serialno, channel1, channel2, pointDate) "
                                 "values ('A', 1, 2, 1006500), ('C', 3, 4, 1006501)",
                                 nullptr, nullptr, nullptr) == SQLITE_OK);
            sqlite3_close(h);
            QVERIFY(other.exec("update kelvantis set pointDate = 500 where id = 20000"));
            QVERIFY(other.exec("delete from kelvantis where id between 100 and 5000"));
        }
        differs = compareWithFullScans(
            around, probeRanges() + QVector<QPair<qint64, qint64>>{{400, 600}}, &narrowed);
        QVERIFY2(differs.isEmpty(), qPrintable(differs));
        QVERIFY(narrowed > 0);
        // The recorder's next batch takes those rows into the summary.
        QVERIFY(!recordedDatabase({{"A", 1, 1, T0 + 6502}}, 10, around).isEmpty());
        {
            const ReadingsDatabase db(around);
            ReadingsStatement st(db, "select coveredTo = (select max(id) from kelvantis) from "
                                     "readings_blocks_state");
            QVERIFY(st.next() && st.integer(0) == 1);
        }
        differs = compareWithFullScans(around, probeRanges(), &narrowed);
        QVERIFY2(differs.isEmpty(), qPrintable(differs));

        // Damage: a summary row gone (its block is read), and summaries that
        // cannot be trusted (read whole).
        const char *damages[] = {
            "delete from readings_blocks where block = (1006500 - 1000000 + 2000) * 3 / 4096",
            "update readings_blocks_state set version = 7",
            "insert into readings_blocks_state values (1, 0, 0)",
            "update readings_blocks_state set coveredTo = 'many'",
            "delete from readings_blocks_state",
            "drop trigger readings_blocks_update",
            "drop table readings_blocks"};
        for (const char *damage : damages) {
            const QString file = copyOf(recorded);
            QVERIFY(Writer(file).exec(damage));
            differs = compareWithFullScans(file, probeRanges(), &narrowed);
            QVERIFY2(differs.isEmpty(), qPrintable(QString(damage) + ": " + differs));
            QCOMPARE(narrowed > 0, damage == damages[0]);
        }

        // Empty: no spans, no period.
        const QString empty = recordedDatabase({}, 1);
        const ReadingsDatabase db(empty);
        ReadingsRange none;
        QVERIFY(none.locate(db, 0, 100));
        QVERIFY(none.spans().isEmpty());
        qint64 first = 0, last = 0;
        QVERIFY(!db.recordedPeriod(&first, &last));
    }

    // A file recorded before the summary existed gets it from the recorder's
    // writer in bounded steps, the readings untouched, reads exact throughout.
    void theSummaryOfAnExistingFileIsBuiltInSteps()
    {
        std::vector<Row> rows;
        for (qint64 i = 0; i < 21 * 4096; ++i)
            rows.push_back(
                {i % 2 ? "A" : "C", double(i % 50), 1, T0 + (i < 40000 ? i : i - 30000) / 2});
        const QString path = freshDatabase(rows, "wal");
        const auto checksum = [&path] {
            const ReadingsDatabase db(path);
            ReadingsStatement st(db, "select count(*), sum(id * 7 + pointDate), total(channel1) "
                                     "from kelvantis");
            return st.next()
                       ? QString("%1 %2 %3").arg(st.integer(0)).arg(st.integer(1)).arg(st.value(2))
                       : QString();
        };
        const QString before = checksum();
        const auto builtFrom = [&path] {
            const ReadingsDatabase db(path);
            ReadingsStatement st(db, "select builtFrom from readings_blocks_state");
            return st.next() ? st.integer(0) : -1;
        };
        const QVector<QPair<qint64, qint64>> ranges{{T0, T0 + 100}, {T0 + 25000, T0 + 26000}};

        InsertSerialData writer(path, "build");
        QVERIFY(writer.createConnection());
        QCOMPARE(builtFrom(), qint64(21)); // only the newest block at first
        ReadingsBlocks blocks(writer.connectionName(), path);
        QVERIFY(blocks.prepare()); // a usable summary is kept
        int steps = 0;
        bool finished = false;
        int narrowed = 0;
        while (!finished && steps < 20) {
            const qint64 from = builtFrom();
            QVERIFY(blocks.buildStep(&finished, 4));
            ++steps;
            QCOMPARE(builtFrom(), std::max<qint64>(0, from - 4));
            const QString differs = compareWithFullScans(path, ranges, &narrowed);
            QVERIFY2(differs.isEmpty(), qPrintable(differs));
        }
        QVERIFY(finished);
        QCOMPARE(steps, 6);
        QCOMPARE(narrowed, 4); // both ranges, both requests
        QCOMPARE(checksum(), before);
    }

    // The recorder writes while a reader reads a range it has already
    // recorded: the reader's rows and period stay exact.
    void readsWhileTheRecorderWrites()
    {
        const QString path = recordedDatabase(clockSetBackRows(), 500);
        ReadingsRequest request = requestFor(true, T0 + 6000, T0 + 7000);
        std::vector<Read> expected;
        {
            const ReadingsDatabase db(path);
            RowIdSpan whole;
            QVERIFY(db.rowIds(&whole));
            expected = readSpans(db, request, {whole});
        }
        QVERIFY(expected.size() > 1000);
        std::atomic<bool> done{false};
        std::thread recorder([&] {
            InsertSerialData writer(path, "concurrent");
            if (writer.createConnection())
                for (int b = 0; b < 40; ++b) {
                    StoreBatch batch;
                    for (int i = 0; i < 30; ++i)
                        batch.readings.append(
                            PendingRow{"A", 1, 2, quint32(T0 + 200000 + b * 30 + i)});
                    writer.write(batch);
                }
            done = true;
        });
        int reads = 0;
        bool exact = true;
        while ((!done || reads == 0) && reads < 2000) {
            const ReadingsDatabase db(path);
            ReadingsRange range;
            qint64 first = 0, last = 0;
            exact = exact && range.locate(db, request.start, request.end) &&
                    readSpans(db, request, range.spans()) == expected &&
                    db.recordedPeriod(&first, &last) && first == T0;
            ++reads;
        }
        recorder.join();
        QVERIFY(exact);
        const ReadingsDatabase db(path);
        qint64 first = 0, last = 0;
        QVERIFY(db.recordedPeriod(&first, &last));
        QCOMPARE(last, T0 + 200000 + 40 * 30 - 1);
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
