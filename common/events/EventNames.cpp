#include "EventNames.h"

EventNames::EventNames(const QList<DeviceSettings> &devices, UnitText unitText)
    : m_unitText(std::move(unitText))
{
    for (const DeviceSettings &d : devices)
        m_devices.insert(d.deviceNumber, d);
}

QString EventNames::device(const QString &serialNo) const
{
    const auto it = m_devices.constFind(serialNo);
    if (it == m_devices.constEnd() || it->deviceName.isEmpty())
        return serialNo;
    return it->deviceName;
}

QString EventNames::channel(const QString &serialNo, int channel) const
{
    if (channel != 1 && channel != 2)
        return QString();
    const auto it = m_devices.constFind(serialNo);
    const QString name = it == m_devices.constEnd() ? QString()
                         : channel == 1             ? it->ch1Name
                                                    : it->ch2Name;
    return name.isEmpty() ? QStringLiteral("CH%1").arg(channel) : name;
}

QString EventNames::unit(const QString &serialNo, int channel) const
{
    const auto it = m_devices.constFind(serialNo);
    if (!m_unitText || it == m_devices.constEnd() || (channel != 1 && channel != 2))
        return QString();
    return channel == 1 ? m_unitText(it->ch1Unit, it->ch1Custom)
                        : m_unitText(it->ch2Unit, it->ch2Custom);
}

QString EventNames::subject(const QString &serialNo, int channel) const
{
    const QString name = device(serialNo);
    const QString channelName = this->channel(serialNo, channel);
    if (name.isEmpty() || channelName.isEmpty())
        return name;
    return name + QStringLiteral(" / ") + channelName;
}
