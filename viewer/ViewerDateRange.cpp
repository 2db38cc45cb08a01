#include "ViewerDateRange.h"

#include <algorithm>

namespace {

const QString kFormat = QStringLiteral("yyyy-MM-dd hh:mm:ss");

} // namespace

ViewerDateRange ViewerDateRange::fromRecordTimes(const QString &recordStart,
                                                 const QString &recordStop,
                                                 const PeriodLookup &lookup, const QDateTime &now)
{
    ViewerDateRange r;
    r.recordStart = QDateTime::fromString(recordStart, kFormat);
    r.recordStop = QDateTime::fromString(recordStop, kFormat);
    QDateTime &start = r.recordStart;
    QDateTime &stop = r.recordStop;
    if (start.isValid() && stop.isValid() && start <= stop) {
        r.periodText = recordStart + QStringLiteral(" ~ ") + recordStop;
        return r;
    }

    // A project that never finished a recording, or a hand-edited one.
    qint64 first = 0;
    qint64 last = 0;
    if (lookup && lookup(&first, &last)) {
        if (!start.isValid() || start > stop)
            start = QDateTime::fromSecsSinceEpoch(first);
        if (!stop.isValid() || start > stop)
            stop = QDateTime::fromSecsSinceEpoch(last);
        if (start > stop)
            start = QDateTime::fromSecsSinceEpoch(first);
    } else {
        const QDateTime second = QDateTime::fromSecsSinceEpoch(now.toSecsSinceEpoch());
        if (!stop.isValid())
            stop = start.isValid() ? start : second;
        if (!start.isValid() || start > stop)
            start = stop;
    }
    r.periodText = start.toString(kFormat) + QStringLiteral(" ~ ") + stop.toString(kFormat);
    return r;
}

QDateTime ViewerDateRange::start() const
{
    return std::max(recordStop.addMonths(-1), recordStart);
}

QDateTime ViewerDateRange::startMinimumFor(const QDateTime &end) const
{
    return std::max(end.addMonths(-1), recordStart).addSecs(60);
}

QDateTime ViewerDateRange::startBefore(const QDateTime &start, const QDateTime &end)
{
    const QDateTime limit = end.addSecs(-60);
    return start < limit ? start : limit;
}

QDateTime ViewerDateRange::endAfter(const QDateTime &start, const QDateTime &end)
{
    const QDateTime limit = start.addSecs(60);
    return limit < end ? end : limit;
}
