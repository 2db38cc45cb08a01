#include "HourlyPeriods.h"

#include <QMap>

#include <algorithm>
#include <cmath>

namespace {

constexpr qint64 kPeriodLength = 3599;
// A reading further than this past a period's end comes after a gap in the
// recording: it belongs to its own hour, not to the period it would close.
constexpr qint64 kGapAfterEnd = 3600;

bool isValue(double v)
{
    return v != NoValue && std::isfinite(v);
}

struct Accumulator
{
    double sum = 0;
    int count = 0;
    double min = NoValue;
    double max = -NoValue;

    void add(double v)
    {
        sum += v;
        ++count;
        min = std::min(min, v);
        max = std::max(max, v);
    }
};

} // namespace

qint64 HourlyPeriods::hourStart(qint64 t)
{
    const qint64 local = t + QDateTime::fromSecsSinceEpoch(t).offsetFromUtc();
    qint64 into = local % 3600;
    if (into < 0)
        into += 3600;
    return t - into;
}

QString HourlyPeriods::label(qint64 periodStart, qint64 periodEnd)
{
    return QDateTime::fromSecsSinceEpoch(periodStart)
               .toString(QStringLiteral("yyyy-MM-dd HH:mm-")) +
           QDateTime::fromSecsSinceEpoch(periodEnd).toString(QStringLiteral("HH:mm"));
}

void HourlyPeriods::compute(const QVector<QVector<ReportResults::Reading>> &channels,
                            const QDateTime &start, const QDateTime &end, ReportResults &results,
                            const Progress &progress)
{
    QMap<qint64, ReportResults::Period> periods;
    int number = 0;
    const int channelCount = std::min<int>(channels.size(), ReportResults::MaxChannels);

    for (int r = 0; r < channelCount; ++r) {
        const QVector<ReportResults::Reading> &readings = channels.at(r);
        if (readings.isEmpty())
            continue;

        qint64 lastEnd = end.toSecsSinceEpoch();
        if (readings.last().time != 0)
            lastEnd = readings.last().time;
        qint64 p = start.toSecsSinceEpoch();
        qint64 e = p + kPeriodLength;
        const auto clampEnd = [&] {
            if (lastEnd < e && p < lastEnd)
                e = lastEnd;
        };
        const auto moveTo = [&](qint64 k) {
            p = hourStart(k);
            e = p + kPeriodLength;
            clampEnd();
        };
        clampEnd();

        Accumulator acc;
        const auto store = [&] {
            auto it = periods.find(p);
            if (it == periods.end()) {
                it = periods.insert(p, ReportResults::Period());
                it->start = p;
                it->label = label(p, e);
            }
            it->avg[r] = acc.sum / acc.count;
            it->min[r] = acc.min;
            it->max[r] = acc.max;
        };

        for (const ReportResults::Reading &reading : readings) {
            if (++number % 10 == 0 && progress)
                progress(number);
            if (!isValue(reading.value))
                continue;
            const qint64 k = reading.time;
            if (k >= e && k - e > kGapAfterEnd && acc.count > 0) {
                store();
                moveTo(k);
                acc = Accumulator();
            }
            acc.add(reading.value);
            if (k >= e) {
                if (acc.count > 1) {
                    store();
                    acc = Accumulator();
                }
                moveTo(k);
            }
        }
    }

    results.periods = periods.values().toVector();
    chartPoints(channels, results);
}

void HourlyPeriods::chartPoints(const QVector<QVector<ReportResults::Reading>> &channels,
                                ReportResults &results)
{
    const int channelCount = std::min<int>(channels.size(), ReportResults::MaxChannels);
    QVector<qint64> times;
    for (int r = 0; r < channelCount; ++r) {
        QVector<qint64> own;
        own.reserve(channels.at(r).size());
        for (const ReportResults::Reading &reading : channels.at(r)) {
            if (isValue(reading.value))
                own.append(reading.time);
        }
        QVector<qint64> merged(times.size() + own.size());
        const auto last =
            std::set_union(times.cbegin(), times.cend(), own.cbegin(), own.cend(), merged.begin());
        merged.resize(int(last - merged.begin()));
        times.swap(merged);
    }

    QVector<ReportResults::ChartPoint> &points = results.chartPoints;
    points.resize(times.size());
    for (int i = 0; i < times.size(); ++i)
        points[i].time = times.at(i);
    for (int r = 0; r < channelCount; ++r) {
        int i = 0;
        for (const ReportResults::Reading &reading : channels.at(r)) {
            if (!isValue(reading.value))
                continue;
            while (points.at(i).time < reading.time)
                ++i;
            points[i].value[r] = reading.value;
        }
    }
}
