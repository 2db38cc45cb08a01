// Chart time and local time text across the changes of the clocks, in a zone
// with daylight-saving time (Europe/Berlin: 2026-03-29 01:00 UTC forward,
// 2026-10-25 01:00 UTC back).
#include "Chart.h"
#include "LocalTimeMap.h"

#include <QtTest>

#include <ctime>

class TestLocalTimeMap : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        // tzdata is installed with the build dependencies; without it these
        // checks would prove nothing.
        QVERIFY2(QFile::exists("/usr/share/zoneinfo/Europe/Berlin"), "no time zone data");
    }

    void civilText()
    {
        char buf[20] = {};
        LocalTimeMap::writeCivilText(0, buf);
        QCOMPARE(QString(buf), QStringLiteral("1970-01-01 00:00:00"));
        LocalTimeMap::writeCivilText(1767225600 + 86399, buf);
        QCOMPARE(QString(buf), QStringLiteral("2026-01-01 23:59:59"));
        LocalTimeMap::writeCivilText(951782400, buf); // leap day
        QCOMPARE(QString(buf), QStringLiteral("2000-02-29 00:00:00"));
    }

    void matchesTheEngineAwayFromChanges()
    {
        const qint64 t0 = 1767225600; // 2026-01-01 00:00 UTC
        LocalTimeMap map(t0, t0 + 40 * 86400);
        for (qint64 t = t0; t < t0 + 40 * 86400; t += 3607) {
            QCOMPARE(map.chartTime(t), Chart::chartTime2(t));
            QCOMPARE(map.localText(t),
                     QDateTime::fromSecsSinceEpoch(t).toString("yyyy-MM-dd hh:mm:ss"));
        }
    }

    void staysAscendingWhenTheClocksGoBack()
    {
        const qint64 change = 1792890000; // 2026-10-25 01:00 UTC, 03:00 CEST -> 02:00 CET
        LocalTimeMap map(change - 7200, change + 7200);
        QCOMPARE(map.offsetAt(change - 1), 7200);
        QCOMPARE(map.offsetAt(change), 3600);
        double previous = -1;
        for (qint64 t = change - 7200; t <= change + 7200; ++t) {
            const double x = map.chartTime(t);
            QVERIFY2(x > previous, qPrintable(QString::number(t)));
            previous = x;
            QCOMPARE(map.localText(t),
                     QDateTime::fromSecsSinceEpoch(t).toString("yyyy-MM-dd hh:mm:ss"));
        }
        // The repeated hour shows twice in the texts, in order.
        QCOMPARE(map.localText(change - 1800), QStringLiteral("2026-10-25 02:30:00"));
        QCOMPARE(map.localText(change + 1800), QStringLiteral("2026-10-25 02:30:00"));
        // Outside the two lived hours the chart follows the wall clock.
        QCOMPARE(map.chartTime(change - 3601), Chart::chartTime2(change - 3601));
        QCOMPARE(map.chartTime(change + 3600), Chart::chartTime2(change + 3600));
        QCOMPARE(map.chartTime(change - 3600), Chart::chartTime(2026, 10, 25, 2, 0, 0));
        QCOMPARE(map.chartTime(change), Chart::chartTime(2026, 10, 25, 2, 30, 0));
    }

    void springForwardLeavesAGapOnly()
    {
        const qint64 change = 1774746000; // 2026-03-29 01:00 UTC, 02:00 CET -> 03:00 CEST
        LocalTimeMap map(change - 3600, change + 3600);
        QCOMPARE(map.chartTime(change - 1), Chart::chartTime(2026, 3, 29, 1, 59, 59));
        QCOMPARE(map.chartTime(change), Chart::chartTime(2026, 3, 29, 3, 0, 0));
        QCOMPARE(map.localText(change), QStringLiteral("2026-03-29 03:00:00"));
    }
};

int main(int argc, char **argv)
{
    qputenv("TZ", "Europe/Berlin");
    tzset();
    TestLocalTimeMap t;
    return QTest::qExec(&t, argc, argv);
}
#include "tst_LocalTimeMap.moc"
