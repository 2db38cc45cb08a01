#pragma once

#include "LocalTimeMap.h"
#include "SeriesAlignment.h"

#include <QStringList>
#include <QVector>

#include <memory>

// One channel's chart line: its own readings, so that it joins reading to
// reading whatever the other channels read in between. Where the channel has
// a row at every time point, x and values share the series' arrays.
struct ViewerLine
{
    QVector<double> x;      // chart times, ascending
    QVector<double> values; // NoValue for a stored null
    QVector<int> breaks;    // ascending; point i-1 is not joined to point i
};

// The aligned data of one chart: the x array (chart times, ascending), the
// reading times they stand for, and one value array per selected channel
// (NoValue where a channel has no sample). The arrays are implicitly shared:
// the chart, the table and the CSV export read the same buffers.
struct ViewerSeries
{
    QVector<double> x;
    QVector<quint32> times;
    QVector<QVector<double>> values;
    QStringList titles;  // table and CSV: the channel name
    QStringList legends; // chart legend: "channel [device]"
    std::shared_ptr<const LocalTimeMap> timeMap;
    QVector<ViewerLine> lines; // one per channel, what the chart draws

    int rowCount() const { return x.size(); }
    QString localText(int row) const;

    // Builds lines from x, times and values. points: the time points that
    // are each channel's own rows (see alignSeries). A line breaks at a null
    // reading, at an outage (LineBreaks) and across the wall-clock hour that
    // does not exist where the clocks go forward, which nothing measured.
    void makeLines(const QVector<ChannelPoints> &points, int dataIntervalMs);
};
