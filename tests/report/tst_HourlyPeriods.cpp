#include "HourlyPeriods.h"

#include <QtTest>

#include <cmath>
#include <ctime>

using Readings = QVector<ReportResults::Reading>;

namespace {

// Local time of the test's zone (CET/CEST, see CMakeLists.txt).
qint64 at(const QString &text)
{
    const QDateTime t = QDateTime::fromString(text, QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    if (!t.isValid())
        qFatal("bad test time %s", qPrintable(text));
    return t.toSecsSinceEpoch();
}

QDateTime local(const QString &text)
{
    return QDateTime::fromSecsSinceEpoch(at(text));
}

// Readings from first to last every step seconds; value: the reading's index.
Readings series(qint64 first, qint64 last, int step)
{
    Readings r;
    for (qint64 t = first, i = 0; t <= last; t += step, ++i)
        r.append({t, double(i)});
    return r;
}

ReportResults compute(const QVector<Readings> &channels, const QString &start)
{
    ReportResults results;
    const QDateTime s = local(start);
    HourlyPeriods::compute(channels, s, s.addDays(1).addSecs(-1), results);
    return results;
}

QStringList labels(const ReportResults &r)
{
    QStringList out;
    for (const auto &p : r.periods)
        out << p.label;
    return out;
}

} // namespace

class TestHourlyPeriods : public QObject
{
    Q_OBJECT
private slots:
    void theReadingAtTheHourClosesThePeriodBeforeIt()
    {
        const qint64 day = at("2026-03-05 00:00:00");
        const auto r =
            compute({series(day, day + 23 * 3600 + 50 * 60, 600)}, "2026-03-05 00:00:00");
        QCOMPARE(r.periods.size(), 24);

        const auto &first = r.periods.at(0);
        QCOMPARE(first.label, QStringLiteral("2026-03-05 00:00-00:59"));
        QCOMPARE(first.start, day);
        // 00:00 to 01:00: seven readings, indexes 0..6.
        QCOMPARE(first.avg[0], 3.0);
        QCOMPARE(first.min[0], 0.0);
        QCOMPARE(first.max[0], 6.0);

        // 01:10 to 02:00.
        const auto &second = r.periods.at(1);
        QCOMPARE(second.label, QStringLiteral("2026-03-05 01:00-01:59"));
        QCOMPARE(second.min[0], 7.0);
        QCOMPARE(second.max[0], 12.0);
        QCOMPARE(second.avg[0], 9.5);

        // The last period ends at the last reading, 23:50 (index 143).
        const auto &last = r.periods.last();
        QCOMPARE(last.label, QStringLiteral("2026-03-05 23:00-23:50"));
        QCOMPARE(last.min[0], 139.0);
        QCOMPARE(last.max[0], 143.0);
        QVERIFY(!last.hasData(1));
    }

    void aReportStartingOffTheHourHasItsOwnFirstPeriod()
    {
        const qint64 start = at("2026-03-05 08:15:00");
        const auto r = compute({series(start, start + 86399, 60)}, "2026-03-05 08:15:00");
        QCOMPARE(r.periods.at(0).label, QStringLiteral("2026-03-05 08:15-09:14"));
        QCOMPARE(r.periods.at(1).label, QStringLiteral("2026-03-05 09:00-09:59"));
        QCOMPARE(r.periods.at(1).start, at("2026-03-05 09:00:00"));
        // 08:15-09:14, then every whole hour up to 08:00-08:14 of the next day.
        QCOMPARE(r.periods.size(), 25);
        QCOMPARE(r.periods.last().label, QStringLiteral("2026-03-06 08:00-08:14"));
    }

    void aPeriodWhoseOnlyReadingClosesItIsNotStored()
    {
        const Readings readings{{at("2026-03-05 01:00:00"), 10},
                                {at("2026-03-05 01:30:00"), 20},
                                {at("2026-03-05 02:00:00"), 60}};
        const auto r = compute({readings}, "2026-03-05 00:00:00");
        QCOMPARE(labels(r), QStringList{"2026-03-05 01:00-01:59"});
        QCOMPARE(r.periods.at(0).avg[0], 30.0);
        QCOMPARE(r.periods.at(0).min[0], 10.0);
        QCOMPARE(r.periods.at(0).max[0], 60.0);
        QCOMPARE(r.chartPoints.size(), 3);
    }

    void missingValuesNeitherCountNorClose()
    {
        const qint64 day = at("2026-03-05 00:00:00");
        Readings readings = series(day, day + 2 * 3600, 600);
        readings[6].value = NoValue; // 01:00 would close the first period
        readings[2].value = std::nan("");
        readings[3].value = HUGE_VAL;
        const auto r = compute({readings}, "2026-03-05 00:00:00");
        // First period: 00:00, 00:10, 00:40, 00:50 and the closing 01:10.
        QCOMPARE(r.periods.at(0).min[0], 0.0);
        QCOMPARE(r.periods.at(0).max[0], 7.0);
        QCOMPARE(r.periods.at(0).avg[0], (0 + 1 + 4 + 5 + 7) / 5.0);
        QCOMPARE(r.chartPoints.size(), readings.size() - 3);
        for (const auto &p : r.chartPoints)
            QVERIFY(p.time != readings[6].time && p.time != readings[2].time);
    }

    void aReadingAfterAGapStartsItsOwnHour()
    {
        const qint64 day = at("2026-03-05 00:00:00");
        Readings readings = series(day + 5 * 3600, day + 5 * 3600 + 1800, 600);
        for (const auto &late : series(day + 8 * 3600 + 600, day + 9 * 3600, 600))
            readings.append({late.time, 100 + late.value});
        const auto r = compute({readings}, "2026-03-05 00:00:00");
        QCOMPARE(labels(r), (QStringList{"2026-03-05 05:00-05:59", "2026-03-05 08:00-08:59"}));
        // 05:00 to 05:30 only: the reading at 08:10 is not part of it.
        QCOMPARE(r.periods.at(0).max[0], 3.0);
        QCOMPARE(r.periods.at(0).avg[0], 1.5);
        // 08:10 to 09:00.
        QCOMPARE(r.periods.at(1).min[0], 100.0);
        QCOMPARE(r.periods.at(1).max[0], 105.0);
    }

    void channelsShareRowsAndChartPoints()
    {
        const qint64 day = at("2026-03-05 00:00:00");
        const Readings a{{day, 1}, {day + 20, 2}, {day + 3600, 3}};
        const Readings b{{day + 10, -4}, {day + 20, 0}, {day + 3600, 0}};
        const auto r = compute({a, Readings(), b}, "2026-03-05 00:00:00");

        QCOMPARE(r.chartPoints.size(), 4);
        QCOMPARE(r.chartPoints.at(0).time, day);
        QCOMPARE(r.chartPoints.at(0).value[0], 1.0);
        QCOMPARE(r.chartPoints.at(0).value[2], NoValue);
        QCOMPARE(r.chartPoints.at(1).value[0], NoValue);
        QCOMPARE(r.chartPoints.at(1).value[2], -4.0);
        QCOMPARE(r.chartPoints.at(2).value[0], 2.0);
        QCOMPARE(r.chartPoints.at(2).value[2], 0.0);
        for (const auto &p : r.chartPoints)
            QCOMPARE(p.value[1], NoValue);

        QCOMPARE(r.periods.size(), 1);
        const auto &p = r.periods.at(0);
        QVERIFY(p.hasData(0));
        QVERIFY(!p.hasData(1));
        QVERIFY(!p.hasData(3));
        // An average of exactly 0 with real readings is data.
        QVERIFY(p.hasData(2));
        QCOMPARE(p.avg[2], -4.0 / 3);
        QCOMPARE(p.max[2], 0.0);
    }

    void progressEveryTenthReadingOverAllChannels()
    {
        const qint64 day = at("2026-03-05 00:00:00");
        QList<int> calls;
        ReportResults results;
        HourlyPeriods::compute({series(day, day + 14, 1), series(day, day + 9, 1)},
                               local("2026-03-05 00:00:00"), local("2026-03-05 23:59:59"), results,
                               [&calls](int counter) { calls << counter; });
        QCOMPARE(calls, (QList<int>{10, 20}));
    }

    void aDaylightSavingEndHasTwentyFivePeriods()
    {
        const qint64 day = at("2026-10-25 00:00:00");
        const qint64 next = at("2026-10-26 00:00:00");
        QCOMPARE(next - day, qint64(25 * 3600));
        const auto r = compute({series(day, next - 600, 600)}, "2026-10-25 00:00:00");
        QCOMPARE(r.periods.size(), 25);
        const QStringList l = labels(r);
        QCOMPARE(l.count("2026-10-25 02:00-02:59"), 2);
        QCOMPARE(r.periods.at(3).start - r.periods.at(2).start, qint64(3600));
        QCOMPARE(l.last(), QStringLiteral("2026-10-25 23:00-23:50"));
        // The repeated hour, CET after CEST, is a period of its own.
        QCOMPARE(r.periods.at(2).min[0] + 6, r.periods.at(3).min[0]);
    }

    void aDaylightSavingStartHasTwentyThreePeriods()
    {
        const qint64 day = at("2026-03-29 00:00:00");
        const qint64 next = at("2026-03-30 00:00:00");
        QCOMPARE(next - day, qint64(23 * 3600));
        const auto r = compute({series(day, next - 600, 600)}, "2026-03-29 00:00:00");
        QCOMPARE(r.periods.size(), 23);
        QCOMPARE(r.periods.at(1).label, QStringLiteral("2026-03-29 01:00-01:59"));
        QCOMPARE(r.periods.at(2).label, QStringLiteral("2026-03-29 03:00-03:59"));
    }

    void hoursFollowTheLocalClockInHalfHourZones()
    {
        const QByteArray saved = qgetenv("TZ");
        qputenv("TZ", "IST-5:30");
        tzset();
        const qint64 t = at("2026-03-05 10:45:10");
        const qint64 hour = HourlyPeriods::hourStart(t);
        const QString shown = QDateTime::fromSecsSinceEpoch(hour).toString("HH:mm:ss");
        qputenv("TZ", saved);
        tzset();
        QCOMPARE(t - hour, qint64(45 * 60 + 10));
        QCOMPARE(shown, QStringLiteral("10:00:00"));
    }
};

QTEST_GUILESS_MAIN(TestHourlyPeriods)
#include "tst_HourlyPeriods.moc"
