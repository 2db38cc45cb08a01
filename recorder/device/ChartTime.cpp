#include "ChartTime.h"

#include <QDateTime>

namespace {
// Days from 0001-01-01 to 1970-01-01 in the proleptic Gregorian calendar.
constexpr qint64 DaysBeforeUnixEpoch = 719162;
} // namespace

double ChartTime::fromUnixTime(qint64 seconds)
{
    const QDateTime local = QDateTime::fromSecsSinceEpoch(seconds, Qt::LocalTime);
    const qint64 localSeconds = local.toSecsSinceEpoch() + local.offsetFromUtc();
    return double(DaysBeforeUnixEpoch * 86400 + localSeconds);
}

double ChartTime::fromDateTime(const QDateTime &time)
{
    const qint64 ms = time.toMSecsSinceEpoch();
    const qint64 seconds = ms >= 0 ? ms / 1000 : (ms - 999) / 1000;
    return fromUnixTime(seconds) + double(ms - seconds * 1000) / 1000.0;
}
