#include "ViewerSeries.h"

#include "series/LineBreaks.h"

#include <algorithm>
#include <iterator>

QString ViewerSeries::localText(int row) const
{
    if (row < 0 || row >= times.size() || !timeMap)
        return QString();
    return timeMap->localText(times.at(row));
}

void ViewerSeries::makeLines(const QVector<ChannelPoints> &points, int dataIntervalMs)
{
    lines = QVector<ViewerLine>(values.size());
    for (int c = 0; c < values.size(); ++c) {
        ViewerLine &line = lines[c];
        const ChannelPoints own = points.value(c);
        QVector<quint32> ownTimes;
        if (own.all) {
            line.x = x;
            line.values = values.at(c);
            ownTimes = times;
        } else {
            const int n = own.index.size();
            line.x.resize(n);
            line.values.resize(n);
            ownTimes.resize(n);
            const QVector<double> &all = values.at(c);
            for (int k = 0; k < n; ++k) {
                const int i = own.index.at(k);
                line.x[k] = x.at(i);
                line.values[k] = all.at(i);
                ownTimes[k] = times.at(i);
            }
        }
        const quint32 *t = ownTimes.constData();
        const int n = ownTimes.size();
        const qint64 limit = LineBreaks::joinLimit(dataIntervalMs, LineBreaks::usualStep(t, n));
        line.breaks = LineBreaks::outages(t, n, limit);

        // Chart time runs ahead of real time only across a skipped hour.
        QVector<int> skipped;
        const double *cx = line.x.constData();
        for (int i = 1; i < n; ++i)
            if (cx[i] - cx[i - 1] > double(t[i]) - double(t[i - 1]) + 0.5)
                skipped.append(i);
        if (!skipped.isEmpty()) {
            QVector<int> merged;
            std::set_union(line.breaks.cbegin(), line.breaks.cend(), skipped.cbegin(),
                           skipped.cend(), std::back_inserter(merged));
            line.breaks = merged;
        }
    }
}
