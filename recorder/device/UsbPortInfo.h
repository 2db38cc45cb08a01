#pragma once

#include <QMetaType>
#include <QString>

// A present USB device of the family: its serial port and serial number.
struct UsbPortInfo
{
    QString portName;
    QString serialNumber;

    bool operator==(const UsbPortInfo &o) const
    {
        return portName == o.portName && serialNumber == o.serialNumber;
    }
};

Q_DECLARE_METATYPE(UsbPortInfo)
