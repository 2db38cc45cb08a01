#include "ReportChannel.h"

ReportChannel ReportChannel::fromDevice(const DeviceSettings &device, int channel)
{
    ReportChannel c;
    static_cast<CompanionChannel &>(c) = CompanionChannel::fromDevice(device, channel);
    return c;
}

QString ReportChannel::itemText() const
{
    return CompanionChannel::itemText(deviceName);
}

QString ReportChannel::key() const
{
    return fieldName() + QLatin1Char('|') + unitName;
}

QString ReportChannel::infoText() const
{
    return channelName.trimmed() + QStringLiteral(" [") + deviceName.trimmed() +
           QStringLiteral("], ") + unitName;
}
