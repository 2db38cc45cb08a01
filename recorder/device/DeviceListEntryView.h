#pragma once

#include <QString>

// What the project device list entry of a device takes from it.
class DeviceListEntryView
{
public:
    virtual ~DeviceListEntryView() = default;
    virtual void deviceConnected(const QString &deviceNumber) = 0;
    virtual void deviceDisconnected(const QString &deviceNumber) = 0;
};
