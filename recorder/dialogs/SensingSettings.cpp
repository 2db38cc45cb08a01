#include "SensingSettings.h"

#include "ConfiguredDevice.h"

QString SensingSettings::validationMessage() const
{
    if (deviceName.isEmpty())
        return QStringLiteral("Enter the Device Name.");
    if (ch1Name.isEmpty())
        return QStringLiteral("Enter the Channel-1 Name.");
    if (ch2Name.isEmpty())
        return QStringLiteral("Enter the Channel-2 Name.");
    return QString();
}

void SensingSettings::storeNamesAndUnits(ConfiguredDevice *device, const QString &interfaceAddress,
                                         quint16 tcpPort) const
{
    device->setDeviceInfo(deviceName, ch1Name, ch2Name, interfaceAddress, tcpPort);
    device->setUnits(ch1Unit, ch2Unit);
    device->setCustomUnits(ch1Custom, ch2Custom);
}

bool SensingSettings::differsFromActive(const ConfiguredDevice &device) const
{
    return ch1Min != device.ch1Min || ch1Max != device.ch1Max || ch2Min != device.ch2Min ||
           ch2Max != device.ch2Max || buzzerAlarm != device.buzzerAlarm;
}
