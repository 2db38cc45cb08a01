#pragma once

#include "ReportResults.h"

#include <QDateTime>

#include <functional>

// The report's statistics: the chart points of every reading and the
// average, minimum and maximum of each channel per hour. The first period
// starts at the report start, later ones at whole local hours; the reading
// that reaches a period's end is counted in the period it closes.
class HourlyPeriods
{
public:
    using Progress = std::function<void(int counter)>;

    // channels: per selected channel its readings, ascending by time with no
    // time twice (ReportReadings delivers them so). An empty vector is a
    // channel without readings. progress is called for every tenth reading.
    static void compute(const QVector<QVector<ReportResults::Reading>> &channels,
                        const QDateTime &start, const QDateTime &end, ReportResults &results,
                        const Progress &progress = {});

    // Start of the local clock hour that holds t (also in zones whose offset
    // is not whole hours, and in the repeated hour of a daylight-saving end).
    static qint64 hourStart(qint64 t);
    // P as "yyyy-MM-dd hh:mm-" followed by E as "hh:mm".
    static QString label(qint64 periodStart, qint64 periodEnd);

private:
    static void chartPoints(const QVector<QVector<ReportResults::Reading>> &channels,
                            ReportResults &results);
};
