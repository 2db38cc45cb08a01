#pragma once

#include <QtGlobal>

class QDateTime;

// The charting library's time scale: seconds since 0001-01-01 00:00:00 in
// local time, so that chart axes show the wall clock.
class ChartTime
{
public:
    static double fromUnixTime(qint64 seconds);
    // fromUnixTime of the whole seconds plus the milliseconds / 1000.
    static double fromDateTime(const QDateTime &time);
};
