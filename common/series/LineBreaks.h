#pragma once

#include <QVector>
#include <QtGlobal>

// Where a channel's chart line is drawn and where it breaks; the viewer's
// chart and the report's chart follow the same rule.
//
// A line joins a channel's own consecutive readings, whatever other channels
// read between them. It breaks at a stored null reading (NoValue, such as the
// gap row the recorder writes when it stops) and at an outage that left no
// gap row: two consecutive readings further apart than GapIntervals times the
// channel's interval. That interval is the project's data interval, or the
// channel's own usual step where that is longer, so that a channel read less
// often than the project's interval (a device that answers every tenth poll,
// a recording made at another interval) is still drawn as a line.
class LineBreaks
{
public:
    static constexpr int GapIntervals = 3;

    // The median step in seconds between consecutive times (ascending); 0 for
    // fewer than two.
    static qint64 usualStep(const quint32 *times, int n);
    static qint64 usualStep(const qint64 *times, int n);

    // The channel's interval in seconds: the longer of the project's data
    // interval (dataIntervalMs <= 0 when the project does not say) and the
    // channel's usual step; at least one second, as times are whole seconds.
    static qint64 channelInterval(int dataIntervalMs, qint64 usualStep);
    // The longest step in seconds that a line still joins.
    static qint64 joinLimit(int dataIntervalMs, qint64 usualStep)
    {
        return GapIntervals * channelInterval(dataIntervalMs, usualStep);
    }
    static bool joins(qint64 from, qint64 to, qint64 limit) { return to - from <= limit; }

    // Indices i in [1, n) where the line must not join time i-1 to time i
    // because they lie too far apart. A null value between them breaks the
    // line by itself and is not looked at here.
    static QVector<int> outages(const quint32 *times, int n, qint64 limit);

    // One time inside every break of a line between two readings with values:
    // the time of the first null reading after the earlier one, or for an
    // outage the middle of it; strictly between the two readings' times.
    // values: NoValue for a stored null. Breaks before the first or after the
    // last value draw nothing and are left out.
    static QVector<qint64> breakTimes(const qint64 *times, const double *values, int n,
                                      qint64 limit);
};
