#pragma once

#include <QString>

// What a dashboard tile (one channel of a device) takes from its device.
class DashboardTileView
{
public:
    virtual ~DashboardTileView() = default;
    virtual void deviceConnected(const QString &deviceNumber) = 0;
    virtual void deviceDisconnected(const QString &deviceNumber) = 0;
    virtual void setValueText(const QString &value) = 0;
};
