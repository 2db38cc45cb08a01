#pragma once

#include "DaySummary.h"
#include "core/NoValue.h"
#include "events/EventRecord.h"

#include <QString>
#include <QVector>

#include <array>

// What one report build yields: the chart points, the hourly periods, the
// breaks of the chart lines and the day summaries of up to four channels, in
// selection order.
struct ReportResults
{
    static constexpr int MaxChannels = 4;

    // One reading of the database; value is NoValue for a stored NULL.
    struct Reading
    {
        qint64 time = 0;
        double value = NoValue;
    };

    struct ChartPoint
    {
        qint64 time = 0;
        std::array<double, MaxChannels> value{{NoValue, NoValue, NoValue, NoValue}};
    };

    struct Period
    {
        qint64 start = 0;
        QString label; // "2016-03-05 08:00-08:59"
        std::array<double, MaxChannels> avg{{0, 0, 0, 0}};
        std::array<double, MaxChannels> min{{NoValue, NoValue, NoValue, NoValue}};
        std::array<double, MaxChannels> max{{NoValue, NoValue, NoValue, NoValue}};

        bool hasData(int channel) const
        {
            return !(avg[channel] == 0 && min[channel] == NoValue && max[channel] == NoValue);
        }
    };

    std::array<bool, MaxChannels> emptyChannel{{false, false, false, false}};
    QVector<ChartPoint> chartPoints; // ascending by time
    QVector<Period> periods;         // ascending by start
    // Per channel, a time inside every break of its chart line (LineBreaks).
    std::array<QVector<qint64>, MaxChannels> lineBreaks;
    std::array<DaySummary, MaxChannels> summary;
    // The period's events of the project and of the report's devices.
    QVector<EventRecord> events;
    QString eventsError;
};
