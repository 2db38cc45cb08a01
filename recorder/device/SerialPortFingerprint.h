#pragma once

#include <QByteArray>
#include <QString>

// A cheap text that changes whenever the system's serial ports may have:
// a port's device node appears, goes or is made again (a device pulled and
// plugged back between two looks), or udev writes what it knows of it
// (vendor and product arrive a moment after the node). Taking it costs a
// directory read and a few stat calls, where enumerating the ports reads
// the sysfs and udev data of every terminal. Empty when the device folder
// cannot be read.
class SerialPortFingerprint
{
public:
    static QByteArray take(const QString &deviceDir = QStringLiteral("/dev"),
                           const QString &udevDataDir = QStringLiteral("/run/udev/data"));

    // Serial ports are "tty" plus a letter (ttyACM0, ttyUSB1, ttyS0) and
    // rfcomm ports; tty, tty0 to tty63 are consoles.
    static bool isSerialPortName(const char *name);
};
