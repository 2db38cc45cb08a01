#pragma once

#include "UsbPortWatch.h"

#include <QList>
#include <QObject>

class ConfiguredDevice;
class LanDiscovery;
struct AvailableDevice;
struct UsbPortInfo;

// The devices found on USB ports and by LAN discovery, offered for
// configuration: all found devices (owned) and the USB subset of them,
// kept in step. A USB scan also opens the project's USB devices on the
// ports their serial numbers are found on.
class FoundDevices : public QObject
{
    Q_OBJECT
public:
    explicit FoundDevices(QObject *parent = nullptr);
    ~FoundDevices() override;

    const QList<AvailableDevice *> &all() const { return m_all; }
    const QList<AvailableDevice *> &usb() const { return m_usb; }

    // One USB scan. The records are rebuilt only when the ports differ from
    // the scan before (or after force()); the project's devices are opened
    // on their ports then, and any whose link closed meanwhile on every scan.
    void scanUsb(const QList<UsbPortInfo> &ports, const QList<ConfiguredDevice *> &project);
    // The next scan rebuilds whatever it finds.
    void forceUsbScan() { m_watch.force(); }

    void startDiscovery();
    void stopDiscovery();
    // A device that answered discovery: its record is updated or added.
    void mergeLan(const AvailableDevice &found);
    LanDiscovery *discovery() const { return m_discovery; }

    // Forgets and deletes every record.
    void clear();

    // One port per serial number, the first in scan order: two ports that
    // report the same number would otherwise move the device between them.
    static QList<UsbPortInfo> uniqueSerials(const QList<UsbPortInfo> &ports);
    // Opens each device whose serial number is found on a port there, when
    // the port differs from its own or its link is closed; true when a
    // device's port changed (the project file then needs saving).
    static bool openOnPorts(const QList<ConfiguredDevice *> &devices,
                            const QList<UsbPortInfo> &ports);

signals:
    // The records changed; the configuration panel shows them again.
    void changed();
    // A project device was found on another port.
    void devicePortsChanged();
    void discoveryFailed(const QString &message);

private:
    void rebuildUsb(const QList<UsbPortInfo> &ports);
    void dropUsb();

    QList<AvailableDevice *> m_all;
    QList<AvailableDevice *> m_usb;
    UsbPortWatch m_watch;
    LanDiscovery *m_discovery = nullptr;
};
