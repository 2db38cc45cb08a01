#pragma once

#include <QMetaType>
#include <QString>

// A device found on a USB port or by LAN discovery, offered for
// configuration; matched by deviceNumber.
struct AvailableDevice
{
    QString deviceNumber;
    QString address;
    quint16 port = 23;
    int interfaceType = 0;
};

Q_DECLARE_METATYPE(AvailableDevice)
