#pragma once

#include <QString>

// One present USB serial device as the operating system describes it,
// before the family filter: hardware identifier such as
// "USB\VID_04D8&PID_000A&REV_0100", port name and location text.
struct UsbDeviceRecord
{
    QString hardwareId;
    QString portName;
    QString location;
};
