#pragma once

#include "ReportChannel.h"
#include "ReportResults.h"
#include "events/EventNames.h"

#include <QList>
#include <QString>

// The texts that go into the report form: the chart's JSON inputs and the
// hourly table. User texts are escaped for the place they go to.
class ReportMarkup
{
public:
    static constexpr int TableRows = 24;

    // "1mm" for 1 s to 1 min, "5mm", "10mm"; empty for any other interval.
    static QString minPeriodFor(int dataInterval);
    // Seconds between two chart points: 60, 300 for "5mm", 600 for "10mm".
    static int chartStep(const QString &minPeriod);

    // A JSON string literal, quotes included.
    static QString jsonString(const QString &text);

    // "Temperature1 [Room 2]": the chart legend's name of a channel, as the
    // channel list shows it (the device number for a device without name).
    static QString legendTitle(const ReportChannel &channel);

    // One object per line, thinned to one point per chart step; a channel
    // appears in a point only where it has a value. Where its line breaks
    // between two of its values (ReportResults::lineBreaks), a point at the
    // break carries the channel's field as null.
    static QString chartData(const ReportResults &results, const QList<ReportChannel> &channels,
                             const QString &minPeriod);
    // The graph settings of every channel that has readings.
    static QString graphData(const ReportResults &results, const QList<ReportChannel> &channels);
    // 24 rows, more on a day with more periods (a daylight-saving end).
    static QString table(const ReportResults &results);
    // One row of day figures per selected channel (DaySummary) and a note on
    // how they are made.
    static QString daySummary(const ReportResults &results, const QList<ReportChannel> &channels);
    // The period's events, oldest first, one row each, or a line saying there
    // were none or that the log could not be read.
    static QString events(const ReportResults &results, const EventNames &names);
    // "H:MM:SS".
    static QString duration(qint64 seconds);
};
