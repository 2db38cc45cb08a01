#include "ServerDevice.h"

#include "core/DeviceSettings.h"

ServerDevice ServerDevice::fromSettings(const DeviceSettings &s, int position)
{
    ServerDevice d;
    d.serialNo = s.deviceNumber;
    d.deviceName = s.deviceName;
    d.ch1Name = s.ch1Name;
    d.ch2Name = s.ch2Name;
    d.ch1Unit = s.ch1Unit;
    d.ch2Unit = s.ch2Unit;
    d.ch1Custom = s.ch1Custom;
    d.ch2Custom = s.ch2Custom;
    d.ch1Min = double(s.ch1Min);
    d.ch1Max = double(s.ch1Max);
    d.ch2Min = double(s.ch2Min);
    d.ch2Max = double(s.ch2Max);
    d.position = position;
    return d;
}

DeviceSettings ServerDevice::toSettings() const
{
    DeviceSettings s;
    s.deviceNumber = serialNo;
    s.deviceName = deviceName;
    s.ch1Name = ch1Name;
    s.ch2Name = ch2Name;
    s.ch1Unit = ch1Unit;
    s.ch2Unit = ch2Unit;
    s.ch1Custom = ch1Custom;
    s.ch2Custom = ch2Custom;
    s.ch1Min = float(ch1Min);
    s.ch1Max = float(ch1Max);
    s.ch2Min = float(ch2Min);
    s.ch2Max = float(ch2Max);
    return s;
}

bool ServerDevice::sameDescription(const ServerDevice &o) const
{
    return serialNo == o.serialNo && deviceName == o.deviceName && ch1Name == o.ch1Name &&
           ch2Name == o.ch2Name && ch1Unit == o.ch1Unit && ch2Unit == o.ch2Unit &&
           ch1Custom == o.ch1Custom && ch2Custom == o.ch2Custom && ch1Min == o.ch1Min &&
           ch1Max == o.ch1Max && ch2Min == o.ch2Min && ch2Max == o.ch2Max && position == o.position;
}
