#pragma once

#include <QList>

struct AvailableDevice;
struct UsbPortInfo;

// The found-device records of the main window: all found devices (owned)
// and the USB subset of them (not owned), kept in step.
class FoundDevices
{
public:
    // Drops the USB records and makes them again from a scan; a record with
    // the same device number that is no USB record (a LAN device of that
    // number) takes the port name instead.
    static void rebuildUsb(QList<AvailableDevice *> &all, QList<AvailableDevice *> &usb,
                           const QList<UsbPortInfo> &ports);
    static void dropUsb(QList<AvailableDevice *> &all, QList<AvailableDevice *> &usb);
    // Forgets and deletes every record.
    static void clear(QList<AvailableDevice *> &all, QList<AvailableDevice *> &usb);
};
