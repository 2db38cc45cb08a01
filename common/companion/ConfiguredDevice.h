#pragma once

#include "core/DeviceSettings.h"

#include <QString>

// The viewer's and the report program's form of a project device: its
// configuration only, without link, readings or alarms.
class ConfiguredDevice
{
public:
    ConfiguredDevice(const QString &deviceNumber, int interfaceType);
    explicit ConfiguredDevice(const DeviceSettings &settings);

    void setDeviceInfo(const QString &deviceName, const QString &ch1Name, const QString &ch2Name,
                       const QString &interfaceAddress, quint16 tcpPort);
    void setAlarmLimits(float ch1Min, float ch1Max, float ch2Min, float ch2Max);

    QString deviceName;
    QString ch1Name;
    QString ch2Name;
    QString deviceNumber;
    QString interfaceAddress;
    quint16 tcpPort = 23;
    int deviceInterface = DeviceSettings::None;
    float ch1Min = 0;
    float ch1Max = 0;
    float ch2Min = 0;
    float ch2Max = 0;
    int ch1Unit = 0;
    int ch2Unit = 0;
    QString ch1Custom;
    QString ch2Custom;
};
