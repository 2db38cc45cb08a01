#pragma once

#include "ReportChannel.h"
#include "ReportResults.h"

#include <QList>
#include <QVector>

// What the report draws from each channel's whole day beyond the hourly
// periods: where its chart line breaks and its day summary, both by the
// channel's interval (the project's, or the channel's own where longer).
class DayFigures
{
public:
    // channels: per selected channel its readings, ascending and distinct
    // in time, NoValue for a stored null (as ReportReadings delivers them).
    static void compute(const QVector<QVector<ReportResults::Reading>> &channels,
                        const QList<ReportChannel> &items, int dataIntervalMs,
                        ReportResults &results);
};
