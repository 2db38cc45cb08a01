#pragma once

#include "companion/CompanionChannel.h"

// One channel of a project device as the report offers it, with the texts
// that the report's list and page show for it.
struct ReportChannel : CompanionChannel
{
    // channel is 1 or 2.
    static ReportChannel fromDevice(const DeviceSettings &device, int channel);

    // The list entry: channel name, "\t[", device name (also when empty), "]".
    QString itemText() const;
    // fieldName(), "|", unit name: the item's tool-tip key.
    QString key() const;
    // "Temperature1 [Room 2], Temperature(C)".
    QString infoText() const;
};
