#include "FoundDevices.h"

#include "AvailableDevice.h"
#include "UsbPortInfo.h"

#include <QLoggingCategory>

#include <algorithm>

Q_LOGGING_CATEGORY(lcFound, "moravin.recorder.control")

void FoundDevices::rebuildUsb(QList<AvailableDevice *> &all, QList<AvailableDevice *> &usb,
                              const QList<UsbPortInfo> &ports)
{
    dropUsb(all, usb);
    for (const UsbPortInfo &port : ports) {
        auto known = std::find_if(all.begin(), all.end(), [&](const AvailableDevice *d) {
            return d && d->deviceNumber == port.serialNumber;
        });
        if (known != all.end()) {
            (*known)->address = port.portName;
            continue;
        }
        auto *found = new AvailableDevice{port.serialNumber, port.portName, 23, 1};
        all.append(found);
        usb.append(found);
    }
}

void FoundDevices::dropUsb(QList<AvailableDevice *> &all, QList<AvailableDevice *> &usb)
{
    for (AvailableDevice *device : qAsConst(usb)) {
        if (!all.removeOne(device))
            qCDebug(lcFound) << "closeSerialDevices() m_availDeviceList.removeOne false :"
                             << device->deviceNumber;
        delete device;
    }
    usb.clear();
}

void FoundDevices::clear(QList<AvailableDevice *> &all, QList<AvailableDevice *> &usb)
{
    for (AvailableDevice *device : qAsConst(all)) {
        if (device && device->interfaceType == 1 && !usb.removeOne(device))
            qCDebug(lcFound) << "closeKelvantisDevices() m_serialDeviceList.removeOne false :"
                             << device->deviceNumber;
    }
    qDeleteAll(all);
    all.clear();
    usb.clear();
}
