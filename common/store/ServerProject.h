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
};
