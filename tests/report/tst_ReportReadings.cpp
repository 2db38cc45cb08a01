#include "GenerateAverageQueries.h"
#include "OpenFiles.h"
#include "ReportReadings.h"
#include "TestProject.h"
#include "store/ReadingsDatabase.h"

#include <QDir>
#include <QMutex>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>

namespace {

const qint64 kDay = 1772668800; // 2026-03-05 00:00:00 UTC

ReportChannel channel(const QString &number, const QString &column)
{
    ReportChannel c;
    c.deviceNumber = number;
    c.column = column;
    return c;
}

// Records the worker's signals in order, from whatever thread they come.
struct SignalLog
{
    QMutex mutex;
    QStringList names;
    QList<int> progress;
    QString errorText;
    int whole = -1;

    void add(const QString &name)
    {
        QMutexLocker lock(&mutex);
        if (names.isEmpty() || names.last() != name)
            names << name;
    }

    void watch(GenerateAverageQueries &w)
    {
        const auto direct = Qt::DirectConnection;
        QObject::connect(
            &w, &GenerateAverageQueries::createHashTables, &w, [this] { add("createHashTables"); },
            direct);
        QObject::connect(
            &w, &GenerateAverageQueries::wholeCount, &w,
            [this](int n) {
                add("wholeCount");
                whole = n;
            },
            direct);
        QObject::connect(
            &w, &GenerateAverageQueries::progPlus, &w,
            [this](int n) {
                add("progPlus");
                progress << n;
            },
            direct);
        QObject::connect(
            &w, &GenerateAverageQueries::done, &w, [this] { add("done"); }, direct);
        QObject::connect(
            &w, &GenerateAverageQueries::error, &w,
            [this](const QString &text) {
                add("error");
                errorText = text;
            },
            direct);
    }
};

QString timeText(qint64 t)
{
    return QDateTime::fromSecsSinceEpoch(t).toString("yyyy-MM-dd HH:mm:ss");
}

} // namespace

class TestReportReadings : public QObject
{
    Q_OBJECT
private:
    QTemporaryDir m_dir;
    int m_count = 0;

    TestProject freshProject()
    {
        TestProject p(m_dir.filePath(QString::number(++m_count)), "plant");
        p.createDatabase();
        return p;
    }

    ReportReadings::Result read(const TestProject &p, const QList<ReportChannel> &channels,
                                qint64 start, qint64 end)
    {
        return ReportReadings::read(ReadingsDatabase(p.databasePath()), channels, start, end);
    }

private slots:
    void readsTheSelectedChannelsOfTheRangeInOneGo()
    {
        const auto p = freshProject();
        const auto ch1 = [](qint64 t) { return QVariant(double(t - kDay)); };
        const auto ch2 = [](qint64 t) { return QVariant(-double(t - kDay)); };
        p.addReadings("A", kDay - 10, kDay + 100, 10, ch1, ch2);
        p.addReadings("B", kDay, kDay + 100, 20, ch2, ch1);
        p.addReadings("C", kDay, kDay + 100, 1, ch1, ch1);

        const auto r = read(p,
                            {channel("A", "channel1"), channel("B", "channel2"),
                             channel("A", "channel2"), channel("Z", "channel1")},
                            kDay, kDay + 90);
        QVERIFY2(r.ok, qPrintable(r.errorText));
        QCOMPARE(r.channels.size(), 4);
        QCOMPARE(r.channels.at(0).size(), 10); // 0..90 s, both ends included
        QCOMPARE(r.channels.at(0).first().time, kDay);
        QCOMPARE(r.channels.at(0).last().time, kDay + 90);
        QCOMPARE(r.channels.at(0).at(3).value, 30.0);
        QCOMPARE(r.channels.at(1).size(), 5);
        QCOMPARE(r.channels.at(1).at(1).value, 20.0);
        QCOMPARE(r.channels.at(2).at(3).value, -30.0);
        QVERIFY(r.channels.at(3).isEmpty());
        QCOMPARE(r.total, 25);
    }

    void readingsComeSortedAndTheLaterRowOfOneTimeStands()
    {
        const auto p = freshProject();
        p.addRow("A", 3.0, 30.0, kDay + 30);
        p.addRow("A", 1.0, QVariant(), kDay + 10);
        p.addRow("A", 2.0, 20.0, kDay + 20);
        p.addRow("A", 9.0, 90.0, kDay + 20);
        const auto r =
            read(p, {channel("A", "channel1"), channel("A", "channel2")}, kDay, kDay + 100);
        QVERIFY(r.ok);
        QCOMPARE(r.channels.at(0).size(), 3);
        QCOMPARE(r.channels.at(0).at(0).time, kDay + 10);
        QCOMPARE(r.channels.at(0).at(1).value, 9.0);
        QCOMPARE(r.channels.at(0).at(2).value, 3.0);
        QCOMPARE(r.channels.at(1).at(0).value, NoValue);
        QCOMPARE(r.channels.at(1).at(1).value, 90.0);
    }

    void aLargeRangeIsReadInTwoHalvesInRowIdOrder()
    {
        // Enough row ids for two connections; the later written of two rows
        // with one time stands, also when they lie in different halves.
        const auto p = freshProject();
        const auto value = [](qint64 t) { return QVariant(double(t % 100)); };
        p.addReadings("A", kDay, kDay + 209999, 1, value, value);
        p.addReadings("B", kDay, kDay + 9, 1, value, value);
        p.addReadings(
            "A", kDay + 5, kDay + 5, 1, [](qint64) { return QVariant(99.0); }, value);
        const auto r =
            read(p, {channel("A", "channel1"), channel("B", "channel2")}, kDay, kDay + 209999);
        QVERIFY2(r.ok, qPrintable(r.errorText));
        QCOMPARE(r.channels.at(0).size(), 210000);
        QCOMPARE(r.channels.at(0).at(5).value, 99.0);
        QCOMPARE(r.channels.at(0).at(6).value, 6.0);
        QCOMPARE(r.channels.at(0).last().time, kDay + 209999);
        QCOMPARE(r.channels.at(1).size(), 10);
        QCOMPARE(r.total, 210010);
    }

    void deviceNumbersAreValuesNotStatementText()
    {
        const auto p = freshProject();
        const auto one = [](qint64) { return QVariant(1.0); };
        p.addReadings("A'B_1", kDay, kDay + 9, 1, one, one);
        p.addReadings("x' or '1'='1", kDay, kDay + 4, 1, one, one);
        p.addReadings("other", kDay, kDay + 99, 1, one, one);
        auto r = read(p, {channel("A'B_1", "channel1")}, kDay, kDay + 1000);
        QVERIFY(r.ok);
        QCOMPARE(r.channels.at(0).size(), 10);
        r = read(p, {channel("x' or '1'='1", "channel2")}, kDay, kDay + 1000);
        QVERIFY(r.ok);
        QCOMPARE(r.channels.at(0).size(), 5);
    }

    void theWorkerReportsItsStepsAndOnlyReads()
    {
        const auto p = freshProject();
        p.addReadings(
            "A", kDay, kDay + 7199, 1, [](qint64 t) { return QVariant(double(t % 7)); },
            [](qint64) { return QVariant(); });
        const QByteArray before = TestProject::fileHash(p.databasePath());
        const QStringList filesBefore =
            QDir(QFileInfo(p.databasePath()).path()).entryList(QDir::Files);

        GenerateAverageQueries worker(
            "tag", p.databasePath(),
            {channel("A", "channel1"), channel("B", "channel1"), channel("A", "channel2")},
            timeText(kDay), timeText(kDay + 86399));
        SignalLog log;
        log.watch(worker);
        worker.start(QThread::LowPriority);
        QVERIFY(worker.wait(20000));

        QCOMPARE(log.names, (QStringList{"createHashTables", "wholeCount", "progPlus", "done"}));
        QCOMPARE(log.whole, 2 * 7200);
        // About a hundred steps, whatever the number of readings, each a
        // queued call to the window.
        QVERIFY2(log.progress.size() > 50 && log.progress.size() <= 110,
                 qPrintable(QString::number(log.progress.size())));
        QVERIFY(std::is_sorted(log.progress.cbegin(), log.progress.cend()));
        QCOMPARE(log.progress.last(), 2 * 7200);
        const auto results = worker.results();
        QCOMPARE(results->emptyChannel[0], false);
        QCOMPARE(results->emptyChannel[1], true);
        // Only NULLs: rows, so not an empty channel, but nothing to show.
        QCOMPARE(results->emptyChannel[2], false);
        QCOMPARE(results->chartPoints.size(), 7200);
        QCOMPARE(results->periods.size(), 2);
        QCOMPARE(results->periods.at(0).min[0], 0.0);
        QCOMPARE(results->periods.at(0).max[0], 6.0);
        QVERIFY(!results->periods.at(0).hasData(2));
        QCOMPARE(OpenFiles::countOn(p.databasePath()), 0);
        QCOMPARE(TestProject::fileHash(p.databasePath()), before);
        QCOMPARE(QDir(QFileInfo(p.databasePath()).path()).entryList(QDir::Files), filesBefore);
    }

    void aFileThatIsNoDatabaseIsAnError_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<bool>("directory");
        QTest::newRow("text") << QByteArray("no database, only text\n").repeated(40) << false;
        QTest::newRow("empty file") << QByteArray() << false;
        QTest::newRow("directory") << QByteArray() << true;
    }

    void aFileThatIsNoDatabaseIsAnError()
    {
        QFETCH(QByteArray, content);
        QFETCH(bool, directory);
        const QString path = m_dir.filePath(QString("bad%1.dat").arg(++m_count));
        if (directory) {
            QVERIFY(QDir().mkpath(path));
        } else {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(content);
        }
        GenerateAverageQueries worker("tag", path, {channel("A", "channel1")}, timeText(kDay),
                                      timeText(kDay + 86399));
        SignalLog log;
        log.watch(worker);
        worker.start();
        QVERIFY(worker.wait(20000));
        QCOMPARE(log.names, (QStringList{"createHashTables", "error"}));
        QVERIFY2(log.errorText.startsWith("makeModels error.\n"), qPrintable(log.errorText));
        QVERIFY(log.errorText.size() > QString("makeModels error.\n").size());
        QCOMPARE(OpenFiles::countOn(path), 0);
        if (!directory) {
            QFile f(path);
            QVERIFY(f.open(QIODevice::ReadOnly));
            QCOMPARE(f.readAll(), content);
        }
    }

    void anEmptyRangeIsDoneWithoutChartPoints()
    {
        const auto p = freshProject();
        p.addRow("A", 1.0, 2.0, kDay - 1);
        GenerateAverageQueries worker("tag", p.databasePath(), {channel("A", "channel1")},
                                      timeText(kDay), timeText(kDay + 86399));
        SignalLog log;
        log.watch(worker);
        worker.start();
        QVERIFY(worker.wait(20000));
        QCOMPARE(log.names, (QStringList{"createHashTables", "wholeCount", "done"}));
        QCOMPARE(log.whole, 0);
        QVERIFY(worker.results()->chartPoints.isEmpty());
        QVERIFY(worker.results()->emptyChannel[0]);
    }
};

QTEST_GUILESS_MAIN(TestReportReadings)
#include "tst_ReportReadings.moc"
