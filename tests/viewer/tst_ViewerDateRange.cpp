#include "ViewerDateRange.h"

#include <QtTest>

#include <ctime>

namespace {

QDateTime at(const char *text)
{
    return QDateTime::fromString(QString::fromLatin1(text), QStringLiteral("yyyy-MM-dd hh:mm:ss"));
}

// A database lookup that counts its calls.
struct Lookup
{
    bool has = true;
    qint64 first = 0;
    qint64 last = 0;
    int calls = 0;

    ViewerDateRange::PeriodLookup function()
    {
        return [this](qint64 *f, qint64 *l) {
            ++calls;
            *f = first;
            *l = last;
            return has;
        };
    }
};

} // namespace

class TestViewerDateRange : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        qputenv("TZ", "UTC");
        tzset();
    }

    void theLastMonthOfALongRecording()
    {
        Lookup db;
        const auto r = ViewerDateRange::fromRecordTimes("2026-01-10 08:00:00",
                                                        "2026-03-31 12:30:15", db.function());
        QCOMPARE(db.calls, 0); // stored times are enough
        QCOMPARE(r.periodText, QStringLiteral("2026-01-10 08:00:00 ~ 2026-03-31 12:30:15"));
        // One calendar month back (February is short).
        QCOMPARE(r.start(), at("2026-02-28 12:30:15"));
        QCOMPARE(r.startMinimum(), r.start());
        QCOMPARE(r.startMaximum(), at("2026-03-31 12:29:15"));
        QCOMPARE(r.end(), at("2026-03-31 12:30:15"));
        QCOMPARE(r.endMinimum(), at("2026-01-10 08:01:00"));
        QCOMPARE(r.endMaximum(), r.end());
    }

    void allOfAShortRecording()
    {
        const auto r =
            ViewerDateRange::fromRecordTimes("2026-03-01 00:00:00", "2026-03-02 00:00:00", nullptr);
        QCOMPARE(r.start(), at("2026-03-01 00:00:00"));
        QCOMPARE(r.startMinimum(), r.recordStart);
    }

    void startAndEndStaySixtySecondsApart()
    {
        const QDateTime end = at("2026-03-01 10:00:00");
        QCOMPARE(ViewerDateRange::startBefore(at("2026-03-01 09:58:59"), end),
                 at("2026-03-01 09:58:59"));
        QCOMPARE(ViewerDateRange::startBefore(at("2026-03-01 09:59:00"), end),
                 at("2026-03-01 09:59:00"));
        QCOMPARE(ViewerDateRange::startBefore(at("2026-03-01 09:59:30"), end),
                 at("2026-03-01 09:59:00"));
        QCOMPARE(ViewerDateRange::startBefore(at("2026-03-01 11:00:00"), end),
                 at("2026-03-01 09:59:00"));
        const QDateTime start = at("2026-03-01 10:00:00");
        QCOMPARE(ViewerDateRange::endAfter(start, at("2026-03-01 10:01:01")),
                 at("2026-03-01 10:01:01"));
        QCOMPARE(ViewerDateRange::endAfter(start, at("2026-03-01 10:00:30")),
                 at("2026-03-01 10:01:00"));
        QCOMPARE(ViewerDateRange::endAfter(start, at("2026-03-01 10:01:00")),
                 at("2026-03-01 10:01:00"));
    }

    void theStartMayGoBackOneMonthFromTheChosenEnd()
    {
        const auto r =
            ViewerDateRange::fromRecordTimes("2026-01-10 08:00:00", "2026-06-30 00:00:00", nullptr);
        QCOMPARE(r.startMinimumFor(at("2026-04-15 10:00:00")), at("2026-03-15 10:01:00"));
        // Not before the record start.
        QCOMPARE(r.startMinimumFor(at("2026-01-20 10:00:00")), at("2026-01-10 08:01:00"));
    }

    void missingTimesComeFromTheDatabase_data()
    {
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("stop");
        QTest::addColumn<QString>("period");
        // The database holds 01:00:00 to 02:23:10.
        QTest::newRow("both missing")
            << QString() << QString() << "2026-01-01 01:00:00 ~ 2026-01-01 02:23:10";
        // An unreadable stop makes the whole stored period doubtful.
        QTest::newRow("stop unreadable") << "2026-01-01 01:30:00"
                                         << "garbage"
                                         << "2026-01-01 01:00:00 ~ 2026-01-01 02:23:10";
        QTest::newRow("start missing") << QString() << "2026-01-01 02:00:00"
                                       << "2026-01-01 01:00:00 ~ 2026-01-01 02:00:00";
        QTest::newRow("start after stop") << "2026-01-01 03:00:00"
                                          << "2026-01-01 02:00:00"
                                          << "2026-01-01 01:00:00 ~ 2026-01-01 02:00:00";
    }

    void missingTimesComeFromTheDatabase()
    {
        QFETCH(QString, start);
        QFETCH(QString, stop);
        QFETCH(QString, period);
        Lookup db;
        db.first = 1767225600 + 3600;
        db.last = 1767225600 + 3600 + 4990;
        const auto r = ViewerDateRange::fromRecordTimes(start, stop, db.function());
        QCOMPARE(db.calls, 1);
        QCOMPARE(r.periodText, period);
        QVERIFY(r.recordStart <= r.recordStop);
        QCOMPARE(r.recordStart.toString("yyyy-MM-dd hh:mm:ss") + " ~ " +
                     r.recordStop.toString("yyyy-MM-dd hh:mm:ss"),
                 period);
    }

    void withoutReadingsTheOtherTimeOrNowStandsIn()
    {
        Lookup db;
        db.has = false;
        const QDateTime now = at("2026-05-05 05:05:05").addMSecs(500);
        auto r =
            ViewerDateRange::fromRecordTimes("2026-01-01 00:00:00", QString(), db.function(), now);
        QCOMPARE(r.recordStop, at("2026-01-01 00:00:00"));
        QCOMPARE(r.recordStart, r.recordStop);
        r = ViewerDateRange::fromRecordTimes(QString(), QString(), db.function(), now);
        QCOMPARE(r.recordStop, at("2026-05-05 05:05:05")); // whole seconds
        QCOMPARE(r.recordStart, r.recordStop);
        QCOMPARE(r.periodText, QStringLiteral("2026-05-05 05:05:05 ~ 2026-05-05 05:05:05"));
        r = ViewerDateRange::fromRecordTimes("2026-02-01 00:00:00", "2026-01-01 00:00:00",
                                             db.function(), now);
        QCOMPARE(r.recordStart, at("2026-01-01 00:00:00"));
        QCOMPARE(db.calls, 3);
    }
};

QTEST_GUILESS_MAIN(TestViewerDateRange)
#include "tst_ViewerDateRange.moc"
