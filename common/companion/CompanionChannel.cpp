#include "CompanionChannel.h"

#include <QStringList>

CompanionChannel CompanionChannel::fromDevice(const DeviceSettings &device, int channel)
{
    CompanionChannel c;
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

QString CompanionChannel::unitNameOf(int unitCode)
{
    static const QStringList names{QStringLiteral("Undefined"), QStringLiteral("Temperature(C)"),
                                   QStringLiteral("Temperature(F)"), QStringLiteral("Humidity"),
                                   QStringLiteral("Custom")};
    return unitCode >= 0 && unitCode < names.size() ? names.at(unitCode) : QString();
}

QString CompanionChannel::fieldName() const
{
    return deviceNumber + QLatin1Char('_') + column;
}

QString CompanionChannel::itemText(const QString &label) const
{
    return channelName + QStringLiteral("\t[") + label + QLatin1Char(']');
}

QString CompanionChannel::title() const
{
    QString t = channelName;
    t.remove(QLatin1Char('\t'));
    return t.section(QLatin1Char('['), 0, 0);
}

QString CompanionChannel::deviceLabel() const
{
    return deviceName.isEmpty() ? deviceNumber : deviceName;
}

QString CompanionChannel::legend() const
{
    return title() + QStringLiteral(" [") + deviceLabel() + QLatin1Char(']');
}
