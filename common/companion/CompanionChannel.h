#pragma once

#include "core/DeviceSettings.h"

#include <QString>

// One channel of a project device as the viewer and the report program offer
// it for selection. The windows keep these beside their list items, so nothing
// is ever parsed back out of an item's text or key (device numbers and names
// may contain "_", "[" or "|").
struct CompanionChannel
{
    QString deviceNumber;
    QString column; // "channel1" or "channel2", the database column
    QString channelName;
    QString deviceName;
    QString unitName;
    int unitCode = 0; // 0 to 4, as unitNameOf
    float lowerLimit = 0; // the alarm limits; equal limits mean none
    float upperLimit = 0;

    // channel is 1 or 2.
    static CompanionChannel fromDevice(const DeviceSettings &device, int channel);
    // "Undefined", "Temperature(C)", "Temperature(F)", "Humidity", "Custom".
    static QString unitNameOf(int unitCode);

    // 0 for channel1, 1 for channel2.
    int columnIndex() const { return column == QLatin1String("channel2") ? 1 : 0; }
    // Device number, "_", column.
    QString fieldName() const;
    // The list entry: channel name, "\t[", label, "]".
    QString itemText(const QString &label) const;
    // The chart legend's and the CSV header's title: the channel name as the
    // list shows it, up to the device label's "[".
    QString title() const;
    // The device as the viewer lists it: its name, or its number when unnamed.
    QString deviceLabel() const;
    // The chart legend: "channel [device]", as the list shows the channel.
    QString legend() const;
};
