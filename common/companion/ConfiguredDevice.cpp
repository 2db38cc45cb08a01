#include "ConfiguredDevice.h"

ConfiguredDevice::ConfiguredDevice(const QString &number, int interfaceType)
    : deviceNumber(number), deviceInterface(interfaceType)
{
}

ConfiguredDevice::ConfiguredDevice(const DeviceSettings &s)
    : ConfiguredDevice(s.deviceNumber, s.deviceInterface)
{
    setDeviceInfo(s.deviceName, s.ch1Name, s.ch2Name, s.interfaceAddress, s.tcpPort);
    setAlarmLimits(s.ch1Min, s.ch1Max, s.ch2Min, s.ch2Max);
    ch1Unit = s.ch1Unit;
    ch2Unit = s.ch2Unit;
    ch1Custom = s.ch1Custom;
    ch2Custom = s.ch2Custom;
}

void ConfiguredDevice::setDeviceInfo(const QString &name, const QString &channel1,
                                     const QString &channel2, const QString &address, quint16 port)
{
    deviceName = name;
    ch1Name = channel1;
    ch2Name = channel2;
    interfaceAddress = address;
    tcpPort = port;
}

void ConfiguredDevice::setAlarmLimits(float min1, float max1, float min2, float max2)
{
    ch1Min = min1;
    ch1Max = max1;
    ch2Min = min2;
    ch2Max = max2;
}
