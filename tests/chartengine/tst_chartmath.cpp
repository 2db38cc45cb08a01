#include "AxisLabelRules.h"
#include "Chart.h"
#include "ChartDate.h"
#include "DateScale.h"
#include "FastLineReducer.h"
#include "LinearScale.h"
#include "ValueFormatter.h"

#include <QDateTime>
#include <QtTest>

#include <cmath>
#include <limits>

class TestChartMath : public QObject
{
    Q_OBJECT

private slots:
    void chartTimeCountsFromYearOne();
    void chartTime2FollowsLocalClock();
    void chartYmdAndFields();
    void bSearchInterpolatesAndClamps();
    void numberPatterns_data();
    void numberPatterns();
    void datePatterns();
    void templatesKeepMarkup();
    void linearAutoScaleIsNeat();
    void linearScaleBadInput();
    void dateStepsAreRound();
    void dateTicksAtRoundTimes();
    void multiFormatLabels();
    void labelFiltersFirstLabelMargin();
    void fastLineKeepsColumnExtremesInOrder();
    void fastLineBreaksAtInvalidPoints();
    void fastLineDrawsSparseColumnsAsTheyAre();
};

void TestChartMath::chartTimeCountsFromYearOne()
{
    QCOMPARE(Chart::chartTime(1, 1, 1), 0.0);
    QCOMPARE(Chart::chartTime(1970, 1, 1), 62135596800.0);
    QCOMPARE(Chart::chartTime(2024, 2, 29, 13, 5, 7) - Chart::chartTime(2024, 2, 29),
             13 * 3600.0 + 5 * 60 + 7);
    // Day boundaries fall on multiples of 86400.
    QCOMPARE(std::fmod(Chart::chartTime(2026, 12, 31), 86400.0), 0.0);
    QCOMPARE(Chart::chartTime(2025, 13, 1), Chart::chartTime(2026, 1, 1));
}

void TestChartMath::chartTime2FollowsLocalClock()
{
    const qint64 unix = 1767225600; // 2026-01-01 00:00:00 UTC
    const QDateTime local = QDateTime::fromSecsSinceEpoch(unix).toLocalTime();
    const QDate d = local.date();
    const QTime t = local.time();
    QCOMPARE(Chart::chartTime2(unix),
             Chart::chartTime(d.year(), d.month(), d.day(), t.hour(), t.minute(), t.second()));
}

void TestChartMath::chartYmdAndFields()
{
    QCOMPARE(Chart::getChartYMD(Chart::chartTime(2026, 3, 14, 23, 59, 59)), 20260314);
    QCOMPARE(Chart::getChartYMD(Chart::chartTime(2000, 2, 29)), 20000229);
    QCOMPARE(Chart::getChartYMD(0), 10101);
    const ChartDate f = ChartDate::fromChartTime(Chart::chartTime(2026, 3, 14, 15, 9, 26) + 0.25);
    QCOMPARE(f.hour, 15);
    QCOMPARE(f.minute, 9);
    QCOMPARE(f.second, 26);
    QCOMPARE(f.fraction, 0.25);
    QCOMPARE(f.weekday, 6); // a Saturday
    // Nonsense times are clamped instead of overflowing.
    QCOMPARE(Chart::getChartYMD(std::numeric_limits<double>::quiet_NaN()), 10101);
    QVERIFY(Chart::getChartYMD(Chart::NoValue) > 99990000);
}

void TestChartMath::bSearchInterpolatesAndClamps()
{
    const double a[] = {4, 6, 10};
    QCOMPARE(Chart::bSearch(a, 3, 7), 1.25);
    QCOMPARE(Chart::bSearch(a, 3, 6), 1.0);
    QCOMPARE(Chart::bSearch(a, 3, 1), 0.0);
    QCOMPARE(Chart::bSearch(a, 3, 99), 2.0);
    QCOMPARE(Chart::bSearch(a, 0, 5), 0.0);
    QCOMPARE(Chart::bSearch(nullptr, 3, 5), 0.0);
    const double flat[] = {5, 5, 5};
    const double pos = Chart::bSearch(flat, 3, 5);
    QVERIFY(pos >= 0 && pos <= 2);
}

void TestChartMath::numberPatterns_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("format");
    QTest::addColumn<QString>("expected");
    QTest::newRow("fixed") << 3.14159 << "{value|2}"
                           << "3.14";
    QTest::newRow("fixed dot") << 23.456 << "{value|2.}"
                               << "23.46";
    QTest::newRow("fixed dot large") << 12345.678 << "{value|2.}"
                                     << "12345.68";
    QTest::newRow("thousands") << 1234567.891 << "{value|2.,}"
                               << "1,234,567.89";
    QTest::newRow("negative") << -0.5 << "{value|1}"
                              << "-0.5";
    QTest::newRow("P3 small") << 1.234567 << "{value|P3}"
                              << "1.235";
    QTest::newRow("P3 short") << 1.2 << "{value|P3}"
                              << "1.2";
    QTest::newRow("P3 tens") << 12.34567 << "{value|P3}"
                             << "12.35";
    QTest::newRow("P3 large") << 123456.789 << "{value|P3}"
                              << "123457";
    QTest::newRow("P4") << -17.03612 << "{value|P4}"
                        << "-17.036";
    QTest::newRow("bare") << 2.5 << "2"
                          << "2.50";
    QTest::newRow("no value") << Chart::NoValue << "{value|2.}"
                              << "N/A";
    QTest::newRow("nan") << std::numeric_limits<double>::quiet_NaN() << "{value|2}"
                         << "N/A";
    QTest::newRow("plain") << 0.1 << "{value}"
                           << "0.1";
}

void TestChartMath::numberPatterns()
{
    QFETCH(double, value);
    QFETCH(QString, format);
    QFETCH(QString, expected);
    QCOMPARE(ValueFormatter::format(value, format), expected);
}

void TestChartMath::datePatterns()
{
    const double t = Chart::chartTime(2026, 1, 5, 7, 8, 9);
    QCOMPARE(ValueFormatter::format(t, QStringLiteral("hh:nn:ss")), QStringLiteral("07:08:09"));
    QCOMPARE(ValueFormatter::format(t, QStringLiteral("yyyy-mm-dd hh:nn:ss")),
             QStringLiteral("2026-01-05 07:08:09"));
    QCOMPARE(ValueFormatter::format(t, QStringLiteral("{value|mmm dd}")), QStringLiteral("Jan 05"));
    QCOMPARE(ValueFormatter::format(t, QStringLiteral("{value|yyyy}")), QStringLiteral("2026"));
    QCOMPARE(ValueFormatter::format(t, QStringLiteral("{value|mmm yyyy}")),
             QStringLiteral("Jan 2026"));
}

void TestChartMath::templatesKeepMarkup()
{
    const double t = Chart::chartTime(2026, 1, 5, 0, 0, 0);
    QCOMPARE(ValueFormatter::format(t, QStringLiteral("<*font=bold*>{value|hh:nn<*br*>mmm dd}")),
             QStringLiteral("<*font=bold*>00:00<*br*>Jan 05"));
    QCOMPARE(ValueFormatter::format(
                 t, QStringLiteral("<*block,halign=left*><*font=bold*>{value|mmm dd<*br*>yyyy}")),
             QStringLiteral("<*block,halign=left*><*font=bold*>Jan 05<*br*>2026"));
    QCOMPARE(ValueFormatter::format(7, QStringLiteral("x = {value|1} and {unknown}")),
             QStringLiteral("x = 7.0 and {unknown}"));
    QCOMPARE(ValueFormatter::format(7, QStringLiteral("{value|2")), QStringLiteral("{value|2"));
}

void TestChartMath::linearAutoScaleIsNeat()
{
    const ScaleTicks s = LinearScale::autoScale(20.3, 24.8, 200, 30, 6);
    QVERIFY(s.lower <= 20.3 && s.upper >= 24.8);
    QVERIFY(s.lower > 0); // temperatures around 22 do not pull the scale to zero
    QVERIFY((s.upper - s.lower) / s.majorStep <= 200 / 30);
    QCOMPARE(s.major.front(), s.lower);
    QCOMPARE(s.major.back(), s.upper);
    for (double v : s.major)
        QVERIFY(std::fabs(std::remainder(v, s.majorStep)) < 1e-9);
    const double mantissa = s.majorStep / std::pow(10.0, std::floor(std::log10(s.majorStep)));
    QVERIFY(qFuzzyCompare(mantissa, 1.0) || qFuzzyCompare(mantissa, 2.0) ||
            qFuzzyCompare(mantissa, 5.0));
    QVERIFY(s.minorStep < s.majorStep);
    QVERIFY(s.minorStep * 200 / (s.upper - s.lower) >= 6);

    const ScaleTicks zero = LinearScale::autoScale(1, 10, 300, 30, 6);
    QCOMPARE(zero.lower, 0.0);
    QCOMPARE(LinearScale::neatStep(0.7), 1.0);
    QCOMPARE(LinearScale::neatStep(1.2), 2.0);
    QCOMPARE(LinearScale::neatStep(3), 5.0);
    QCOMPARE(LinearScale::decimalsFor(0.5), 1);
    QCOMPARE(LinearScale::decimalsFor(20), 0);
}

void TestChartMath::linearScaleBadInput()
{
    const ScaleTicks empty = LinearScale::autoScale(1, 0, 300, 30, 6);
    QCOMPARE(empty.lower, 0.0);
    QCOMPARE(empty.upper, 10.0);
    const ScaleTicks single = LinearScale::autoScale(5, 5, 300, 30, 6);
    QVERIFY(single.lower < 5 && single.upper > 5);
    const ScaleTicks zeroLength = LinearScale::autoScale(0, 100, 0, 30, 6);
    QVERIFY(!zeroLength.major.empty());
    QVERIFY(zeroLength.major.size() <= 3);
    const ScaleTicks huge = LinearScale::autoScale(-1e299, 1e299, 1e9, 1, 1);
    QVERIFY(huge.major.size() <= static_cast<size_t>(LinearScale::MaxTicks) + 1);
    const ScaleTicks inf =
        LinearScale::autoScale(-std::numeric_limits<double>::infinity(), 3, 100, 30, 6);
    QCOMPARE(inf.upper, 10.0);
    QVERIFY(LinearScale::ticksBetween(0, 1, 0).empty());
    QVERIFY(LinearScale::ticksBetween(0, 1e12, 1).empty());
}

void TestChartMath::dateStepsAreRound()
{
    // 240 s over 534 px at 75 px: at most 7 labels, so a minute.
    DateScale::Step s = DateScale::chooseStep(240, 534, 75);
    QCOMPARE(s.unit, DateScale::Seconds);
    QCOMPARE(s.count, 60);
    s = DateScale::chooseStep(72000, 534, 75);
    QCOMPARE(s.count, 3 * 3600);
    s = DateScale::chooseStep(200 * 86400.0, 900, 75);
    QCOMPARE(s.unit, DateScale::Months);
    s = DateScale::chooseStep(40 * 365 * 86400.0, 900, 75);
    QCOMPARE(s.unit, DateScale::Years);
    QCOMPARE(s.count, 5);
    const DateScale::Step minor =
        DateScale::chooseMinorStep({DateScale::Seconds, 60}, 240, 534, 15);
    QCOMPARE(minor.count, 10);
    QVERIFY(DateScale::ticks(10, 5, {DateScale::Seconds, 1}).empty());
    QVERIFY(DateScale::ticks(0, 1e12, {DateScale::Seconds, 1}).empty());
}

void TestChartMath::dateTicksAtRoundTimes()
{
    const double lo = Chart::chartTime(2026, 3, 14, 15, 5, 26);
    const ScaleTicks s = DateScale::scale(lo, lo + 240, 534, 75, 15);
    QCOMPARE(s.lower, lo);
    QCOMPARE(s.upper, lo + 240);
    QCOMPARE(static_cast<int>(s.major.size()), 4);
    QCOMPARE(ValueFormatter::format(s.major.front(), QStringLiteral("hh:nn:ss")),
             QStringLiteral("15:06:00"));
    const std::vector<double> months = DateScale::ticks(
        Chart::chartTime(2025, 11, 15), Chart::chartTime(2026, 5, 2), {DateScale::Months, 2});
    QCOMPARE(static_cast<int>(months.size()), 3);
    QCOMPARE(Chart::getChartYMD(months[0]), 20260101);
    QCOMPARE(Chart::getChartYMD(months[1]), 20260301);
    QCOMPARE(Chart::getChartYMD(months[2]), 20260501);
    const std::vector<double> years = DateScale::ticks(
        Chart::chartTime(2003, 6, 1), Chart::chartTime(2021, 1, 1), {DateScale::Years, 5});
    QCOMPARE(static_cast<int>(years.size()), 4);
    QCOMPARE(Chart::getChartYMD(years[0]), 20050101);
    QCOMPARE(Chart::getChartYMD(years[3]), 20200101);
}

void TestChartMath::multiFormatLabels()
{
    AxisLabelRules rules;
    rules.setFormatCondition(QStringLiteral("align"), 360 * 86400);
    rules.setLabelFormat(QStringLiteral("{value|yyyy}"));
    rules.setFormatCondition(QStringLiteral("align"), 86400);
    rules.addMultiFormat(Chart::StartOfMonthFilter(),
                         QStringLiteral("<*font=bold*>{value|mmm dd}"));
    rules.addMultiFormat(Chart::AllPassFilter(), QStringLiteral("{value|dd}"));
    rules.setFormatCondition(QStringLiteral("else"));
    rules.addMultiFormat(Chart::StartOfDayFilter(),
                         QStringLiteral("<*font=bold*>{value|hh:nn<*br*>mmm dd}"));
    rules.addMultiFormat(Chart::AllPassFilter(), QStringLiteral("{value|hh:nn}"));

    const std::vector<double> hours = {
        Chart::chartTime(2026, 1, 4, 20), Chart::chartTime(2026, 1, 4, 22),
        Chart::chartTime(2026, 1, 5, 0), Chart::chartTime(2026, 1, 5, 2)};
    QCOMPARE(rules.labels(hours, 7200, QString()),
             QStringList({"20:00", "22:00", "<*font=bold*>00:00<*br*>Jan 05", "02:00"}));
    const std::vector<double> days = {Chart::chartTime(2026, 1, 30), Chart::chartTime(2026, 1, 31),
                                      Chart::chartTime(2026, 2, 1), Chart::chartTime(2026, 2, 2)};
    QCOMPARE(rules.labels(days, 86400, QString()),
             QStringList({"30", "31", "<*font=bold*>Feb 01", "02"}));
    const std::vector<double> years = {Chart::chartTime(2020, 1, 1), Chart::chartTime(2021, 1, 1)};
    QCOMPARE(rules.labels(years, 366 * 86400.0, QString()), QStringList({"2020", "2021"}));

    AxisLabelRules none;
    QCOMPARE(none.labels({1.5}, 1, QStringLiteral("{value|1}")), QStringList({"1.5"}));
    QVERIFY(AxisLabelRules::conditionHolds(QStringLiteral("<"), 10, 5));
    QVERIFY(!AxisLabelRules::conditionHolds(QStringLiteral(">"), 10, 10));
}

void TestChartMath::labelFiltersFirstLabelMargin()
{
    const int day = Chart::StartOfDayFilter();
    QVERIFY(AxisLabelRules::passes(day, Chart::chartTime(2026, 1, 5), nullptr));
    QVERIFY(
        AxisLabelRules::passes(day, Chart::chartTime(2026, 1, 5, 1), nullptr)); // 4 % into the day
    QVERIFY(!AxisLabelRules::passes(day, Chart::chartTime(2026, 1, 5, 2), nullptr));
    const double prev = Chart::chartTime(2026, 1, 5, 22);
    QVERIFY(AxisLabelRules::passes(day, Chart::chartTime(2026, 1, 6, 2), &prev));
    QVERIFY(!AxisLabelRules::passes(day, Chart::chartTime(2026, 1, 5, 23), &prev));
    QCOMPARE(Chart::filterType(Chart::StartOfYearFilter(3, 0.1)),
             int(Chart::StartOfYearFilterType));
    QCOMPARE(Chart::filterLabelStep(Chart::StartOfYearFilter(3, 0.1)), 3);
    QCOMPARE(Chart::filterInitialMargin(Chart::StartOfYearFilter(3, 0.1)), 0.1);
}

void TestChartMath::fastLineKeepsColumnExtremesInOrder()
{
    // Ten points in column 0 with the maximum before the minimum, then one point in column 1.
    const double x[] = {0.0, 0.1, 0.2, 0.3, 0.4, 0.5, 0.6, 0.7, 0.8, 0.9, 1.5};
    const double y[] = {5, 6, 9, 7, 3, 1, 4, 5, 6, 4, 2};
    std::vector<QPointF> out;
    FastLineReducer::reduce(x, y, 11, 1.0, 0.0, -1, 10, true, out);
    const std::vector<QPointF> expected = {{0.0, 5}, {0.0, 9}, {0.0, 1}, {0.9, 1},
                                           {0.9, 9}, {0.9, 4}, {1.5, 2}};
    QCOMPARE(out.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i)
        QCOMPARE(out[i], expected[i]);
}

void TestChartMath::fastLineBreaksAtInvalidPoints()
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const double y[] = {1, 2, Chart::NoValue, 3, 4, nan, 5, inf, 6, 7};
    for (bool fast : {false, true}) {
        std::vector<QPointF> out;
        FastLineReducer::reduce(nullptr, y, 10, 1.0, 0.0, -1, 100, fast, out);
        int breaks = 0;
        int points = 0;
        for (const QPointF &p : out) {
            if (FastLineReducer::isBreak(p))
                ++breaks;
            else
                ++points;
        }
        QCOMPARE(points, 7);
        QCOMPARE(breaks, 3);
        QVERIFY(!FastLineReducer::isBreak(out.front()) && !FastLineReducer::isBreak(out.back()));
    }
    std::vector<QPointF> none;
    const double allMissing[] = {Chart::NoValue, Chart::NoValue};
    FastLineReducer::reduce(nullptr, allMissing, 2, 1.0, 0.0, -1, 100, true, none);
    QVERIFY(none.empty());
    FastLineReducer::reduce(nullptr, nullptr, 5, 1.0, 0.0, -1, 100, true, none);
    QVERIFY(none.empty());
}

void TestChartMath::fastLineDrawsSparseColumnsAsTheyAre()
{
    std::vector<double> y(1000);
    for (size_t i = 0; i < y.size(); ++i)
        y[i] = std::sin(i * 0.1);
    std::vector<QPointF> sparse;
    FastLineReducer::reduce(nullptr, y.data(), 1000, 1.0, 0.0, -1, 2000, true, sparse);
    QCOMPARE(sparse.size(), size_t(1000));
    std::vector<QPointF> dense;
    FastLineReducer::reduce(nullptr, y.data(), 1000, 0.01, 0.0, -1, 2000, true, dense);
    QVERIFY(dense.size() <= 60);
    // Points off the plot collapse into the spare columns at either side.
    std::vector<QPointF> clipped;
    FastLineReducer::reduce(nullptr, y.data(), 1000, 1.0, -500.0, -1, 10, true, clipped);
    QVERIFY(clipped.size() <= 30);
}

QTEST_GUILESS_MAIN(TestChartMath)
#include "tst_chartmath.moc"
