#pragma once

#include "ServerDevice.h"

// The devices one recorder forwards, as the catalogue lists them.
struct ServerProject
{
    QString storeId; // UUID text
    QString projectName;
    QString host;
    QString user;
    qint64 lastSeen = 0;
    QVector<ServerDevice> devices;

    // The heading of its devices in a site's list.
    QString title() const
    {
        return host.isEmpty() ? projectName
                              : projectName + QStringLiteral(" (") + host + QLatin1Char(')');
    }
};
