#pragma once

#include "core/DeviceSettings.h"

#include <QHash>
#include <QList>
#include <QString>

// The project's devices as notifications name them: device and channel
// names, units and limits looked up by serial number. A device that is not
// (or no longer) in the project is named by its serial number.
class ProjectDirectory
{
public:
    ProjectDirectory() = default;
    ProjectDirectory(const QString &projectName, const QList<DeviceSettings> &devices);

    QString projectName() const { return m_projectName; }
    const QList<DeviceSettings> &devices() const { return m_devices; }
    const DeviceSettings *device(const QString &serial) const;

    QString deviceName(const QString &serial) const;
    QString channelName(const QString &serial, int channel) const;
    int unitCode(const QString &serial, int channel) const;
    // "°C", "°F", "%RH" or the channel's own text, as the displays show it.
    QString unitText(const QString &serial, int channel) const;
    // False for an unknown device or channel.
    bool limits(const QString &serial, int channel, float *lower, float *upper) const;

private:
    QString m_projectName;
    QList<DeviceSettings> m_devices;
    QHash<QString, int> m_index;
};
