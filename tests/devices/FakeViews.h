#pragma once

#include "ChartHistory.h"
#include "DashboardTileView.h"
#include "DeviceChartPanelView.h"
#include "DeviceListEntryView.h"

#include <QStringList>

// Views that remember what their device told them.
class FakeListEntry : public DeviceListEntryView
{
public:
    void onDeviceConnected(const QString &n) override { calls << QStringLiteral("connected ") + n; }
    void onDeviceDisconnected(const QString &n) override
    {
        calls << QStringLiteral("disconnected ") + n;
    }
    QStringList calls;
};

class FakeChartPanel : public DeviceChartPanelView
{
public:
    void onDeviceConnected(const QString &n) override { calls << QStringLiteral("connected ") + n; }
    void onDeviceDisconnected(const QString &n) override
    {
        calls << QStringLiteral("disconnected ") + n;
    }
    void updateReadings(const double *times, const double *ch1, const double *ch2,
                        const QString &v1, const QString &v2) override
    {
        calls << QStringLiteral("update ") + v1 + QLatin1Char(' ') + v2;
        lastTime = times[ChartHistory::Size - 1];
        lastCh1 = ch1[ChartHistory::Size - 1];
        lastCh2 = ch2[ChartHistory::Size - 1];
    }
    QStringList calls;
    double lastTime = 0;
    double lastCh1 = 0;
    double lastCh2 = 0;
};

class FakeTile : public DashboardTileView
{
public:
    void onDeviceConnected(const QString &n) override { calls << QStringLiteral("connected ") + n; }
    void onDeviceDisconnected(const QString &n) override
    {
        calls << QStringLiteral("disconnected ") + n;
    }
    void updateValue(const QString &value) override { calls << QStringLiteral("value ") + value; }
    QStringList calls;
};
