#include "ProjectDirectory.h"

#include "core/ChannelUnit.h"

ProjectDirectory::ProjectDirectory(const QString &projectName, const QList<DeviceSettings> &devices)
    : m_projectName(projectName), m_devices(devices)
{
    for (int i = 0; i < m_devices.size(); ++i)
        m_index.insert(m_devices.at(i).deviceNumber, i);
}

const DeviceSettings *ProjectDirectory::device(const QString &serial) const
{
    const auto it = m_index.constFind(serial);
    return it == m_index.constEnd() ? nullptr : &m_devices.at(*it);
}

QString ProjectDirectory::deviceName(const QString &serial) const
{
    const DeviceSettings *d = device(serial);
    return d && !d->deviceName.isEmpty() ? d->deviceName : serial;
}

QString ProjectDirectory::channelName(const QString &serial, int channel) const
{
    const DeviceSettings *d = device(serial);
    const QString name = !d ? QString() : channel == 1 ? d->ch1Name : d->ch2Name;
    return name.isEmpty() ? QStringLiteral("Channel %1").arg(channel) : name;
}

int ProjectDirectory::unitCode(const QString &serial, int channel) const
{
    const DeviceSettings *d = device(serial);
    if (!d)
        return 0;
    return channel == 1 ? d->ch1Unit : d->ch2Unit;
}

QString ProjectDirectory::unitText(const QString &serial, int channel) const
{
    const DeviceSettings *d = device(serial);
    if (!d)
        return QString();
    return channel == 1 ? ChannelUnit::symbol(d->ch1Unit, d->ch1Custom)
                        : ChannelUnit::symbol(d->ch2Unit, d->ch2Custom);
}

bool ProjectDirectory::limits(const QString &serial, int channel, float *lower, float *upper) const
{
    const DeviceSettings *d = device(serial);
    if (!d || (channel != 1 && channel != 2))
        return false;
    *lower = channel == 1 ? d->ch1Min : d->ch2Min;
    *upper = channel == 1 ? d->ch1Max : d->ch2Max;
    return true;
}
