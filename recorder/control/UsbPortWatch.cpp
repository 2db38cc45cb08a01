#include "UsbPortWatch.h"

#include <algorithm>

UsbPortWatch::Change UsbPortWatch::check(const QList<UsbPortInfo> &ports, int knownCount)
{
    QList<UsbPortInfo> now = ports;
    // The system lists ports in no promised order.
    std::sort(now.begin(), now.end(),
              [](const UsbPortInfo &a, const UsbPortInfo &b) { return a.portName < b.portName; });
    const bool forced = m_forced;
    m_forced = false;
    const bool changed = forced || now != m_last;
    m_last = now;
    if (!changed)
        return NoChange;
    if (!now.isEmpty())
        return PortsChanged;
    // A forced scan that finds nothing still drops records left from before.
    return forced && knownCount == 0 ? NoChange : AllPortsDown;
}
