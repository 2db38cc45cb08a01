#pragma once

#include "device/UsbPortInfo.h"

#include <QList>

// Decides from one USB scan to the next whether the USB devices changed:
// some came, went or moved to other ports (rebuild the USB records and open
// the project's devices on their ports), or the last one went (drop the
// records). A scan that finds what the one before found changes nothing, so
// nothing is reopened or saved every 1.5 s.
class UsbPortWatch
{
public:
    enum Change
    {
        NoChange,
        PortsChanged,
        AllPortsDown
    };

    // ports: found now, one per serial number; knownCount: USB records held.
    Change check(const QList<UsbPortInfo> &ports, int knownCount);
    // The next check rebuilds whatever it finds.
    void force() { m_forced = true; }

private:
    QList<UsbPortInfo> m_last;
    bool m_forced = false;
};
