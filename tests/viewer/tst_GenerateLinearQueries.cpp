#include "GenerateLinearQueries.h"
#include "OpenFiles.h"
#include "TestProject.h"
#include "core/NoValue.h"
#include "store/InsertSerialData.h"
#include "store/ReadingsBlocks.h"
#include "store/ReadingsDatabase.h"
#include "store/ReadingsRange.h"

#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <ctime>

#include <sqlite3.h>

using Row = TestProject::Row;

namespace {

constexpr qint64 T0 = 1767225600; // 2026-01-01 00:00 UTC

struct Run
{
    bool ok = false;
    QString error;
    ViewerSeries series;
    QStringList order;
};

// Channels named as the list's keys: device number, "_", column.
QList<CompanionChannel> channelsOf(const QStringList &keys)
{
    QList<CompanionChannel> channels;
    for (const QString &key : keys) {
        CompanionChannel c;
        c.deviceNumber = key.section(QLatin1Char('_'), 0, -2);
        c.column = key.section(QLatin1Char('_'), -1);
        c.channelName = key;
        channels.append(c);
    }
    return channels;
}

Run generate(const QString &db, const QStringList &keys, qint64 start, qint64 end)
{
    Run run;
    GenerateLinearQueries worker("tag", db, QString(), channelsOf(keys), QString::number(start),
                                 QString::number(end));
    QObject::connect(&worker, &GenerateLinearQueries::calcTimeSeries, [&] { run.order << "calc"; });
    QObject::connect(&worker, &GenerateLinearQueries::createHashTables,
                     [&] { run.order << "hash"; });
    QObject::connect(&worker, &GenerateLinearQueries::wholeCount,
                     [&](int n) { run.order << "count " + QString::number(n); });
    QObject::connect(&worker, &GenerateLinearQueries::done, [&](int n) {
        run.order << "done " + QString::number(n);
        run.ok = true;
    });
    QObject::connect(&worker, &GenerateLinearQueries::error, [&](const QString &t) {
        run.order << "error";
        run.error = t;
    });
    worker.start(QThread::LowPriority);
    worker.wait();
    QCoreApplication::processEvents();
    run.series = worker.takeResult();
    return run;
}

} // namespace

class TestGenerateLinearQueries : public QObject
{
    Q_OBJECT
private:
    QTemporaryDir m_dir;
    QString path(const QString &name) { return m_dir.filePath(name); }

private slots:
    void initTestCase()
    {
        qputenv("TZ", "UTC");
        tzset();
    }

    void alignsTwoDevicesWithGapsAndNulls()
    {
        const QString db = path("two.dat");
        QVERIFY(TestProject::makeDatabase(db, {{"A", 1.5, 10, T0},
                                               {"B", 2.5, {}, T0},
                                               {"A", {}, 11, T0 + 1},
                                               {"B", 3.5, 21, T0 + 2},
                                               {"C", 99, 99, T0 + 1},
                                               {"A", 4, 4, T0 + 100}}));
        const QByteArray before = TestProject::fileHash(db);
        const Run r = generate(db, {"A_channel1", "B_channel1", "A_channel2"}, T0, T0 + 10);
        QVERIFY2(r.ok, qPrintable(r.error));
        QCOMPARE(r.order, QStringList({"calc", "hash", "count 3", "done 3"}));
        QCOMPARE(r.series.times, QVector<quint32>({quint32(T0), quint32(T0 + 1), quint32(T0 + 2)}));
        QCOMPARE(r.series.values.size(), 3);
        QCOMPARE(r.series.values[0], QVector<double>({1.5, NoValue, NoValue}));
        QCOMPARE(r.series.values[1], QVector<double>({2.5, NoValue, 3.5}));
        QCOMPARE(r.series.values[2], QVector<double>({10, 11, NoValue}));
        QCOMPARE(r.series.x[0], 62135596800.0 + T0);
        QCOMPARE(r.series.localText(2), QStringLiteral("2026-01-01 00:00:02"));
        QCOMPARE(TestProject::fileHash(db), before);
        QCOMPARE(r.series.titles, QStringList({"A_channel1", "B_channel1", "A_channel2"}));
        QCOMPARE(OpenFiles::countOn(db), 0);
    }

    void samePointDateTwice()
    {
        const QString db = path("dup.dat");
        QVERIFY(TestProject::makeDatabase(
            db, {{"A", 1, 1, T0}, {"A", 2, 2, T0 + 5}, {"A", 3, 3, T0 + 5}, {"A", 4, 4, T0 + 9}}));
        const Run one = generate(db, {"A_channel1"}, T0, T0 + 10);
        QVERIFY(one.ok);
        QCOMPARE(one.series.values[0], QVector<double>({1, 3, 3, 4}));
        QCOMPARE(one.series.times.size(), 4);
        const Run two = generate(db, {"A_channel1", "A_channel2"}, T0, T0 + 10);
        QVERIFY(two.ok);
        QCOMPARE(two.series.values[1], QVector<double>({1, 3, 4}));
    }

    void deviceNumberWithUnderscoreAndQuote()
    {
        const QString db = path("names.dat");
        QVERIFY(TestProject::makeDatabase(db, {{"LAB_7", 1, 2, T0}, {"O'Brien", 5, 6, T0 + 1}}));
        const Run r = generate(db, {"LAB_7_channel2", "O'Brien_channel1"}, T0, T0 + 1);
        QVERIFY2(r.ok, qPrintable(r.error));
        QCOMPARE(r.series.values[0], QVector<double>({2, NoValue}));
        QCOMPARE(r.series.values[1], QVector<double>({NoValue, 5}));
    }

    void channelWithoutRowsAmongOthers()
    {
        const QString db = path("norows.dat");
        QVERIFY(TestProject::makeDatabase(db, {{"A", 1, 1, T0}, {"A", 2, 2, T0 + 1}}));
        const Run r = generate(db, {"MISSING_channel1", "A_channel1"}, T0, T0 + 1);
        QVERIFY(r.ok);
        QCOMPARE(r.series.values[0], QVector<double>({NoValue, NoValue}));
        QCOMPARE(r.series.values[1], QVector<double>({1, 2}));
    }

    void failures_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QStringList>("keys");
        QTest::addColumn<qint64>("start");
        QTest::addColumn<QString>("text");
        const QString db = path("fail.dat");
        TestProject::makeDatabase(db, {{"A", 1, 1, T0}});
        QTest::newRow("empty range")
            << db << QStringList{"A_channel1"} << T0 + 10 << GenerateLinearQueries::noDataText();
        QTest::newRow("no such device") << db << QStringList{"B_channel1", "C_channel2"} << T0
                                        << GenerateLinearQueries::noDataText();
        QTest::newRow("no channel in key") << db << QStringList{"A_pointDate"} << T0
                                           << GenerateLinearQueries::collectionErrorText();

        const QString notSqlite = path("text.dat");
        QFile f(notSqlite);
        f.open(QIODevice::WriteOnly);
        f.write(QByteArray(4096, 'x'));
        f.close();
        QTest::newRow("not SQLite") << notSqlite << QStringList{"A_channel1"} << T0
                                    << "The data file cannot be read (file is not a database).\n"
                                       "Please retry.";

        const QString other = path("other.dat");
        sqlite3 *h = nullptr;
        sqlite3_open(other.toUtf8().constData(), &h);
        TestProject::exec(
            h, "create table kelvantis (id integer primary key, serialno text, pointDate integer)");
        TestProject::exec(h,
                          "insert into kelvantis (serialno, pointDate) values ('A', 1767225600)");
        sqlite3_close(h);
        QTest::newRow("missing columns") << other << QStringList{"A_channel1"} << T0
                                         << "The data file cannot be read (no such column: "
                                            "channel1).\nPlease retry.";
        QTest::newRow("missing file")
            << path("nothing.dat") << QStringList{"A_channel1"} << T0 << "";
    }

    void failures()
    {
        QFETCH(QString, file);
        QFETCH(QStringList, keys);
        QFETCH(qint64, start);
        QFETCH(QString, text);
        const QByteArray before = TestProject::fileHash(file);
        const Run r = generate(file, keys, start, T0 + 20);
        QVERIFY(!r.ok);
        QCOMPARE(r.order.last(), QStringLiteral("error"));
        QCOMPARE(r.order.count("error"), 1);
        if (!text.isEmpty())
            QCOMPARE(r.error, text);
        else
            QVERIFY(r.error.startsWith("The data file cannot be read"));
        QCOMPARE(TestProject::fileHash(file), before);
        QVERIFY(!QFile::exists(file + "-journal"));
        QVERIFY(!QFile::exists(path("nothing.dat")));
    }

    void largeTableReadInTwoHalvesKeepsOrder()
    {
        // Above the parallel threshold; rows of one second in shuffled order
        // and a duplicate at the halves' seam.
        std::vector<Row> rows;
        for (qint64 t = 0; t < 60000; ++t)
            for (int d = 0; d < 4; ++d)
                rows.push_back({QString("D%1").arg(d), double(t % 977) + d, double(d),
                                T0 + (t % 2 ? t : 60000 - t)});
        rows.push_back({"D0", 5555, 5555, T0 + 30000});
        const QString db = path("large.dat");
        QVERIFY(TestProject::makeDatabase(db, rows, "wal"));
        const Run r = generate(db, {"D0_channel1", "D3_channel1"}, T0, T0 + 60000);
        QVERIFY2(r.ok, qPrintable(r.error));
        QCOMPARE(r.series.rowCount(), 60000);
        for (int i = 1; i < r.series.rowCount(); ++i)
            QVERIFY(r.series.x[i] > r.series.x[i - 1]);
        const int at = r.series.times.indexOf(quint32(T0 + 30000));
        QCOMPARE(r.series.values[0][at], 5555.0);
        const Run one = generate(db, {"D0_channel1"}, T0, T0 + 60000);
        QCOMPARE(one.series.rowCount(), 60000 + 1);
        // Both connections are closed again.
        QCOMPARE(OpenFiles::countOn(db), 0);
    }

    void severalSpansReadInTwoHalvesAsAFullScan()
    {
        // A range the block summary finds in two places (the clock was set
        // back), together above the parallel threshold: the halves cut
        // across the spans, and the chart is the one a full scan gives.
        std::vector<Row> rows;
        const auto second = [&rows](qint64 t, double shift) {
            rows.push_back({"A", double(t % 101) + shift, 1, T0 + t});
            rows.push_back({"B", double(t % 53) + shift, 2, T0 + t});
        };
        for (qint64 t = 0; t < 100000; ++t)
            second(t, 0);
        for (qint64 t = 500000; t < 550000; ++t)
            second(t, 0);
        for (qint64 t = 0; t < 30000; ++t)
            second(t, 1000);
        const QString plain = path("spans-plain.dat");
        const QString db = path("spans.dat");
        QVERIFY(TestProject::makeDatabase(plain, rows, "wal"));
        QVERIFY(QFile::copy(plain, db));
        {
            InsertSerialData writer(db, "spans");
            QVERIFY(writer.createConnection());
            ReadingsBlocks blocks(writer.connectionName(), db);
            bool finished = false;
            for (int i = 0; i < 10 && !finished; ++i)
                QVERIFY(blocks.buildStep(&finished));
            QVERIFY(finished);
        }
        ReadingsRange range;
        QVERIFY(range.locate(ReadingsDatabase(db), T0, T0 + 99999));
        QCOMPARE(range.spans().size(), 2);
        QVERIFY(range.isNarrowed() && range.size() > 200000);
        QCOMPARE(range.halves().second.spans().size(), 2);

        for (const QStringList &keys :
             {QStringList{"A_channel1", "B_channel1"}, QStringList{"A_channel1"}}) {
            const Run narrowed = generate(db, keys, T0, T0 + 99999);
            const Run full = generate(plain, keys, T0, T0 + 99999);
            QVERIFY2(narrowed.ok, qPrintable(narrowed.error));
            QCOMPARE(narrowed.series.times, full.series.times);
            QCOMPARE(narrowed.series.values, full.series.values);
        }
        const Run two = generate(db, {"A_channel1", "B_channel1"}, T0, T0 + 99999);
        QCOMPARE(two.series.rowCount(), 100000);
        QCOMPARE(two.series.values[0][10], 1010.0); // the later row of the time
    }

    void readsWhileTheRecorderWrites()
    {
        const QString db = path("live.dat");
        std::vector<Row> rows;
        for (qint64 t = 0; t < 1000; ++t)
            rows.push_back({"A", double(t), double(t), T0 + t});
        QVERIFY(TestProject::makeDatabase(db, rows, "wal"));
        sqlite3 *writer = nullptr;
        QCOMPARE(sqlite3_open(db.toUtf8().constData(), &writer), SQLITE_OK);
        TestProject::exec(writer, "pragma journal_mode = wal");
        TestProject::exec(writer, "begin immediate");
        TestProject::exec(writer, "insert into kelvantis (serialno, channel1, channel2, pointDate)"
                                  " values ('A', 1, 1, 1767226600)");
        // A write transaction is open while the viewer reads.
        const Run r = generate(db, {"A_channel1"}, T0, T0 + 5000);
        QVERIFY2(r.ok, qPrintable(r.error));
        QCOMPARE(r.series.rowCount(), 1000);
        TestProject::exec(writer, "commit");
        sqlite3_close(writer);
    }
};

QTEST_GUILESS_MAIN(TestGenerateLinearQueries)
#include "tst_GenerateLinearQueries.moc"
