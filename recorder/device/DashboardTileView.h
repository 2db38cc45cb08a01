#pragma once

#include <QString>

// What a dashboard tile (one channel of a device) takes from its device.
class DashboardTileView
{
public:
    virtual ~DashboardTileView() = default;
    virtual void onDeviceConnected(const QString &deviceNumber) = 0;
    virtual void onDeviceDisconnected(const QString &deviceNumber) = 0;
    virtual void updateValue(const QString &value) = 0;
};
