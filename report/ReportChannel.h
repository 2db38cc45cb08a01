#pragma once

#include <QString>

class ConfiguredDevice;

// One channel of a project device as the report offers it. The window keeps
// these beside its list items, so nothing is ever parsed back out of an
// item's text or key (device numbers and names may contain "_", "[" or "|").
struct ReportChannel
{
    QString deviceNumber;
    QString column; // "channel1" or "channel2", the database column
    QString channelName;
    QString deviceName;
    QString unitName;
    int unitCode = 0; // 0 to 4, as unitNameOf
    float lowerLimit = 0;
    float upperLimit = 0;

    // channel is 1 or 2.
    static ReportChannel fromDevice(const ConfiguredDevice &device, int channel);
    // "Undefined", "Temperature(C)", "Temperature(F)", "Humidity", "Custom".
    static QString unitNameOf(int unitCode);

    // The list entry: channel name, "\t[", device name, "]".
    QString itemText() const;
    // Device number, "_", column: the chart's value field.
    QString fieldName() const;
    // fieldName(), "|", unit name: the item's tool-tip key.
    QString key() const;
    // "Temperature1 [Room 2], Temperature(C)".
    QString infoText() const;
};
