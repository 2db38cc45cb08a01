#include "DayFigures.h"

#include "series/LineBreaks.h"

#include <algorithm>

void DayFigures::compute(const QVector<QVector<ReportResults::Reading>> &channels,
                         const QList<ReportChannel> &items, int dataIntervalMs,
                         ReportResults &results)
{
    const int count =
        std::min({int(channels.size()), int(items.size()), int(ReportResults::MaxChannels)});
    for (int r = 0; r < count; ++r) {
        const QVector<ReportResults::Reading> &readings = channels.at(r);
        const int n = readings.size();
        QVector<qint64> times(n);
        QVector<double> values(n);
        for (int i = 0; i < n; ++i) {
            times[i] = readings.at(i).time;
            values[i] = readings.at(i).value;
        }
        const qint64 interval =
            LineBreaks::channelInterval(dataIntervalMs, LineBreaks::usualStep(times.data(), n));
        results.lineBreaks[size_t(r)] = LineBreaks::breakTimes(
            times.constData(), values.constData(), n, LineBreaks::GapIntervals * interval);
        const ReportChannel &c = items.at(r);
        results.summary[size_t(r)] =
            DaySummary::of(times.constData(), values.constData(), n,
                           DaySummary::scaleOf(c.unitCode), c.lowerLimit, c.upperLimit, interval);
    }
}
