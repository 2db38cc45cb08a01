#pragma once

#include "ServerDevice.h"

#include <QList>

// The devices one recorder forwards, as the catalogue lists them.
struct ServerProject
{
    QString storeId; // UUID text
    QString projectName;
    QString host;
    QString user;
    qint64 lastSeen = 0;
    QVector<ServerDevice> devices;

    // The devices as a site's viewer and report list them: each name carries
    // the project's, so that a chart's legend and a report tell two projects'
    // "Freezer" apart.
    QList<DeviceSettings> deviceSettings() const
    {
        QList<DeviceSettings> list;
        for (const ServerDevice &d : devices) {
            DeviceSettings s = d.toSettings();
            s.deviceName = projectName + QStringLiteral(" · ") +
                           (d.deviceName.isEmpty() ? d.serialNo : d.deviceName);
            list.append(s);
        }
        return list;
    }

    // The heading of its devices in a site's list.
    QString title() const
    {
        return host.isEmpty() ? projectName
                              : projectName + QStringLiteral(" (") + host + QLatin1Char(')');
    }
};
