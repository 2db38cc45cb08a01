#include "ReportChannel.h"

#include "companion/ConfiguredDevice.h"

#include <QStringList>

ReportChannel ReportChannel::fromDevice(const ConfiguredDevice &device, int channel)
{
    ReportChannel c;
    c.deviceNumber = device.deviceNumber;
    c.deviceName = device.deviceName;
    const bool first = channel == 1;
    c.column = first ? QStringLiteral("channel1") : QStringLiteral("channel2");
    c.channelName = first ? device.ch1Name : device.ch2Name;
    const int unit = first ? device.ch1Unit : device.ch2Unit;
    c.unitCode = unit;
    c.lowerLimit = first ? device.ch1Min : device.ch2Min;
    c.upperLimit = first ? device.ch1Max : device.ch2Max;
    c.unitName = unit == 4 ? (first ? device.ch1Custom : device.ch2Custom) : unitNameOf(unit);
    return c;
}

QString ReportChannel::unitNameOf(int unitCode)
{
    static const QStringList names{QStringLiteral("Undefined"), QStringLiteral("Temperature(C)"),
                                   QStringLiteral("Temperature(F)"), QStringLiteral("Humidity"),
                                   QStringLiteral("Custom")};
    return unitCode >= 0 && unitCode < names.size() ? names.at(unitCode) : QString();
}

QString ReportChannel::itemText() const
{
    return channelName + QStringLiteral("\t[") + deviceName + QLatin1Char(']');
}

QString ReportChannel::fieldName() const
{
    return deviceNumber + QLatin1Char('_') + column;
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
