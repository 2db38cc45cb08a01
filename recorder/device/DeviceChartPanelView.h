#pragma once

#include <QString>

// What the live chart panel of a device takes from it.
class DeviceChartPanelView
{
public:
    virtual ~DeviceChartPanelView() = default;
    virtual void onDeviceConnected(const QString &deviceNumber) = 0;
    virtual void onDeviceDisconnected(const QString &deviceNumber) = 0;
    // The arrays hold ChartHistory::Size points each, oldest first, and are
    // valid only during the call.
    virtual void updateReadings(const double *times, const double *ch1, const double *ch2,
                                const QString &ch1Value, const QString &ch2Value) = 0;
};
