#include "Chart.h"

#include "ChartDate.h"

#include <QDateTime>

#include <cmath>

namespace Chart {

int encodeFilter(int type, int labelStep, double initialMargin)
{
    const int step = qBound(1, labelStep, 0x7ff);
    const int margin = std::isfinite(initialMargin)
                           ? qBound(0, static_cast<int>(std::lround(initialMargin * 1000)), 0x3ff)
                           : 0;
    return (type & 0xf) | (step << 4) | (margin << 15);
}

int filterType(int filter)
{
    return filter & 0xf;
}

int filterLabelStep(int filter)
{
    return qMax(1, (filter >> 4) & 0x7ff);
}

double filterInitialMargin(int filter)
{
    return ((filter >> 15) & 0x3ff) / 1000.0;
}

int AllPassFilter()
{
    return encodeFilter(AllPassFilterType, 1, 0);
}

int StartOfYearFilter(int labelStep, double initialMargin)
{
    return encodeFilter(StartOfYearFilterType, labelStep, initialMargin);
}

int StartOfMonthFilter(int labelStep, double initialMargin)
{
    return encodeFilter(StartOfMonthFilterType, labelStep, initialMargin);
}

int StartOfDayFilter(int labelStep, double initialMargin)
{
    return encodeFilter(StartOfDayFilterType, labelStep, initialMargin);
}

int StartOfHourFilter(int labelStep, double initialMargin)
{
    return encodeFilter(StartOfHourFilterType, labelStep, initialMargin);
}

double chartTime(int y, int m, int d, int h, int n, int s)
{
    return ChartDate::fromCivil(y, m, d) * 86400.0 + h * 3600.0 + n * 60.0 + s;
}

double chartTime2(qint64 unixSeconds)
{
    const QDateTime utc = QDateTime::fromSecsSinceEpoch(unixSeconds, Qt::UTC);
    const int offset = utc.toLocalTime().offsetFromUtc();
    return 62135596800.0 + static_cast<double>(unixSeconds) + offset;
}

int getChartYMD(double t)
{
    const ChartDate d = ChartDate::fromChartTime(t);
    return d.year * 10000 + d.month * 100 + d.day;
}

double bSearch(const double *a, int n, double v)
{
    if (!a || n <= 0 || std::isnan(v))
        return 0;
    if (v <= a[0])
        return 0;
    if (v >= a[n - 1])
        return n - 1;
    int lo = 0;
    int hi = n - 1;
    while (hi - lo > 1) {
        const int mid = lo + (hi - lo) / 2;
        if (a[mid] <= v)
            lo = mid;
        else
            hi = mid;
    }
    const double span = a[hi] - a[lo];
    return span > 0 ? lo + (v - a[lo]) / span : lo;
}

} // namespace Chart
