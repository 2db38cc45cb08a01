#include "FoundDevices.h"

#include "ControlLogging.h"

#include "AbstractDevice.h"
#include "AvailableDevice.h"
#include "ConfiguredDevice.h"
#include "LanDiscovery.h"
#include "UsbPortInfo.h"

#include <QLoggingCategory>
#include <QSet>

#include <algorithm>


FoundDevices::FoundDevices(QObject *parent) : QObject(parent) {}

FoundDevices::~FoundDevices()
{
    qDeleteAll(m_all);
}

QList<UsbPortInfo> FoundDevices::uniqueSerials(const QList<UsbPortInfo> &ports)
{
    QList<UsbPortInfo> unique;
    QSet<QString> seen;
    for (const UsbPortInfo &port : ports) {
        if (seen.contains(port.serialNumber)) {
            qCDebug(lcControl) << "FoundDevices : serial number on two ports :" << port.serialNumber
                             << port.portName;
            continue;
        }
        seen.insert(port.serialNumber);
        unique.append(port);
    }
    return unique;
}

void FoundDevices::scanUsb(const QList<UsbPortInfo> &found,
                           const QList<ConfiguredDevice *> &project)
{
    const QList<UsbPortInfo> ports = uniqueSerials(found);
    switch (m_watch.check(ports, m_usb.size())) {
    case UsbPortWatch::PortsChanged:
        qCDebug(lcControl) << "openKelvantisDevices.";
        rebuildUsb(ports);
        emit changed();
        break;
    case UsbPortWatch::AllPortsDown:
        qCDebug(lcControl) << "all serialport is down.";
        dropUsb();
        emit changed();
        break;
    case UsbPortWatch::NoChange:
        break;
    }
    // Also on a scan that changes nothing: a device pulled and plugged in
    // again between two scans leaves the ports as they were, but its link
    // closed.
    if (openOnPorts(project, ports))
        emit devicePortsChanged();
}

bool FoundDevices::openOnPorts(const QList<ConfiguredDevice *> &devices,
                               const QList<UsbPortInfo> &ports)
{
    bool moved = false;
    for (const UsbPortInfo &port : ports) {
        for (ConfiguredDevice *device : devices) {
            if (!device || device->settings().deviceNumber != port.serialNumber)
                continue;
            const DeviceSettings &s = device->settings();
            const bool movesPort = s.interfaceAddress != port.portName;
            if (!movesPort && device->link()->isOpen())
                continue;
            device->close();
            qCDebug(lcControl) << "MoravinMain::checkConfigListItem :" << s.deviceNumber
                             << s.interfaceAddress << "->" << port.portName;
            device->setDeviceInfo(s.deviceName, s.ch1Name, s.ch2Name, port.portName, 23);
            device->open();
            moved = moved || movesPort;
        }
    }
    return moved;
}

void FoundDevices::rebuildUsb(const QList<UsbPortInfo> &ports)
{
    dropUsb();
    for (const UsbPortInfo &port : ports) {
        auto known = std::find_if(m_all.begin(), m_all.end(), [&](const AvailableDevice *d) {
            return d && d->deviceNumber == port.serialNumber;
        });
        // A record with the same number that is no USB record (a LAN device
        // of that number) takes the port name instead.
        if (known != m_all.end()) {
            (*known)->address = port.portName;
            continue;
        }
        auto *found = new AvailableDevice{port.serialNumber, port.portName, 23, 1};
        m_all.append(found);
        m_usb.append(found);
    }
}

void FoundDevices::dropUsb()
{
    for (AvailableDevice *device : qAsConst(m_usb)) {
        if (!m_all.removeOne(device))
            qCDebug(lcControl) << "closeSerialDevices() m_availDeviceList.removeOne false :"
                             << device->deviceNumber;
        delete device;
    }
    m_usb.clear();
}

void FoundDevices::clear()
{
    for (AvailableDevice *device : qAsConst(m_all)) {
        if (device && device->interfaceType == 1 && !m_usb.removeOne(device))
            qCDebug(lcControl) << "closeKelvantisDevices() m_serialDeviceList.removeOne false :"
                             << device->deviceNumber;
    }
    qDeleteAll(m_all);
    m_all.clear();
    m_usb.clear();
}

void FoundDevices::startDiscovery()
{
    if (!m_discovery) {
        m_discovery = new LanDiscovery(this);
        connect(m_discovery, &LanDiscovery::runFailed, this, &FoundDevices::discoveryFailed);
        connect(m_discovery, &LanDiscovery::deviceFound, this, &FoundDevices::mergeLan);
        connect(m_discovery, &LanDiscovery::datagramsRead, this, [this] {
            qCDebug(lcControl).nospace()
                << "3333333333 m_availDeviceList size :[" << m_all.size() << "]";
            emit changed();
        });
    }
    m_discovery->start();
}

void FoundDevices::mergeLan(const AvailableDevice &found)
{
    LanDiscovery::mergeInto(m_all, found);
}

void FoundDevices::stopDiscovery()
{
    if (m_discovery)
        m_discovery->stop();
}
