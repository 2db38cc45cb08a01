#include "ReportDateRange.h"

#include <algorithm>

namespace {

QDateTime withoutSeconds(const QDateTime &t)
{
    return QDateTime(t.date(), QTime(t.time().hour(), t.time().minute()));
}

} // namespace

ReportDateRange ReportDateRange::fromRecordTimes(const QString &recordStart,
                                                 const QString &recordStop, const QDateTime &now)
{
    const QString format = QStringLiteral("yyyy-MM-dd HH:mm:ss");
    QDateTime first = QDateTime::fromString(recordStart, format);
    QDateTime last = QDateTime::fromString(recordStop, format);
    if (!first.isValid())
        first = last.isValid() ? last : now;
    if (!last.isValid())
        last = first;

    ReportDateRange r;
    r.earliestStart = withoutSeconds(first).addSecs(60);
    r.latestEnd = withoutSeconds(last).addSecs(-60 + 59);
    if (r.latestEnd < r.earliestStart.addSecs(60))
        r.latestEnd = r.earliestStart.addSecs(60);

    const QDateTime dayBefore(r.latestEnd.date().addDays(-1), QTime(0, 0));
    if (dayBefore >= r.earliestStart) {
        r.start = dayBefore;
        r.end = endFor(dayBefore);
    } else {
        r.start = r.earliestStart;
        r.end = std::min(endFor(r.start), r.latestEnd);
    }
    return r;
}

QDateTime ReportDateRange::endFor(const QDateTime &start)
{
    return start.addDays(1).addSecs(-1);
}
