#pragma once

#include <QString>

// What the project device list entry of a device takes from it.
class DeviceListEntryView
{
public:
    virtual ~DeviceListEntryView() = default;
    virtual void onDeviceConnected(const QString &deviceNumber) = 0;
    virtual void onDeviceDisconnected(const QString &deviceNumber) = 0;
};
