#pragma once

#include <QString>

// The key of a channel item of the device list: the device number, "_", and
// the database column of the channel ("channel1" or "channel2").
struct ChannelKey
{
    QString serial;
    QString column;
    bool valid = false;

    static QString make(const QString &deviceNumber, int channel);
    // Splits at the last "_", so that a device number that itself contains
    // "_" keeps its whole number. Only "channel1" and "channel2" are columns.
    static ChannelKey split(const QString &key);
    // The chart legend and CSV title of an item: its text without the tab,
    // the part before "[".
    static QString titleFromItemText(const QString &text);
};
