#pragma once

#include "UsbDeviceRecord.h"
#include "UsbPortInfo.h"

#include <QList>

// Finds the family's USB devices: the serial ports of the system plus the
// ports a running device simulator announces in the file named by
// MORAVIN_SIMULATED_PORTS.
class UsbPortDetector
{
public:
    static const char *const AnnounceVariable;

    static QList<UsbPortInfo> findUsbPorts(const QList<UsbDeviceRecord> &system = systemDevices());

    // Keeps vendor 04D8 / product 000A devices that have a port, in order,
    // and derives the serial number from the location text.
    static QList<UsbPortInfo> filter(const QList<UsbDeviceRecord> &devices);
    // Vendor and product texts of a hardware identifier; empty when the
    // identifier does not carry them.
    static void parseHardwareId(const QString &hardwareId, QString *vendor, QString *product);

    static QList<UsbDeviceRecord> systemDevices();
    // A "pid<TAB>process id" line naming the announcing process, then lines
    // of "port path<TAB>hardware id<TAB>serial number"; malformed lines are
    // skipped. *pid is 0 when the file names no process.
    static QList<UsbDeviceRecord> parseAnnouncement(const QByteArray &content,
                                                    qint64 *pid = nullptr);
    // The announced ports whose device node still exists, as long as the
    // announcing process runs: a pseudo-terminal path left behind by a
    // killed simulator may already belong to someone's terminal.
    static QList<UsbDeviceRecord> simulatedDevices();
};
