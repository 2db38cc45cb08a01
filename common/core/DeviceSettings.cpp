#include "DeviceSettings.h"

bool DeviceSettings::operator==(const DeviceSettings &o) const
{
    return deviceName == o.deviceName && ch1Name == o.ch1Name && ch2Name == o.ch2Name &&
           deviceNumber == o.deviceNumber && deviceInterface == o.deviceInterface &&
           interfaceAddress == o.interfaceAddress && tcpPort == o.tcpPort && ch1Unit == o.ch1Unit &&
           ch2Unit == o.ch2Unit && ch1Min == o.ch1Min && ch1Max == o.ch1Max && ch2Min == o.ch2Min &&
           ch2Max == o.ch2Max && ch1Custom == o.ch1Custom && ch2Custom == o.ch2Custom &&
           buzzerAlarm == o.buzzerAlarm;
}
