#pragma once

#include <QVector>
#include <QtGlobal>

#include <vector>

// The rows of one device as the database returned them (scan order): the
// reading times and the values of the columns that were asked for, NoValue
// for a stored NULL.
struct DeviceRows
{
    std::vector<quint32> times;
    std::vector<double> values[2]; // channel1, channel2 (empty when not read)

    void clear();
    // Puts the rows in time order, rows of one time kept in scan order, so
    // that alignSeries() needs no order of its own beside them: a recorder's
    // batch is stored out of time order, and a month of rows would otherwise
    // be held twice.
    void sortByTime();
};

// One selected channel: which device's rows and which of its columns.
// device < 0 marks an item that names no readable channel: it adds no time
// points and its series stays NoValue.
struct ChannelRef
{
    int device = -1;
    int column = 0; // 0 channel1, 1 channel2
};

// The time points at which a channel's device has a row: where the channel
// has a reading, null or not, rather than a blank for another channel's sake.
struct ChannelPoints
{
    bool all = true;       // a row at every time point; index is empty then
    QVector<qint32> index; // otherwise those time points, ascending
};

struct AlignedSeries
{
    QVector<quint32> times;          // ascending
    QVector<QVector<double>> values; // one per channel, times.size() each
    QVector<ChannelPoints> points;   // one per channel
};

// Puts the selected channels on one ascending time axis, as the viewer's
// data generation defines it:
// - with two or more channels the axis is the distinct union of the time
//   points of their devices; with one channel every row of its device is a
//   time point, so repeated times of that device stay repeated;
// - a channel's value at a time point is that of the last row (in scan order)
//   of its device with that time; no row, or a NULL, gives NoValue;
// - points tells the two apart: the time points that are the channel's own.
AlignedSeries alignSeries(const std::vector<DeviceRows> &devices,
                          const std::vector<ChannelRef> &channels);
