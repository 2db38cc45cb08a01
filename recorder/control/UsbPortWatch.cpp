#include "UsbPortWatch.h"

UsbPortWatch::Change UsbPortWatch::check(int portCount, int knownCount)
{
    m_anyPortNow = portCount > 0;
    // A second device plugged in, or one of several pulled, changes the count
    // without changing "any port present".
    if (m_anyPortNow && knownCount > 0 && portCount != knownCount)
        m_anyPortBefore = false;
    Change change = NoChange;
    if (m_anyPortNow != m_anyPortBefore)
        change = m_anyPortNow ? PortsChanged : AllPortsDown;
    // A forced scan that finds nothing still drops records left from before.
    else if (m_forced && knownCount > 0)
        change = AllPortsDown;
    m_forced = false;
    m_anyPortBefore = m_anyPortNow;
    return change;
}

void UsbPortWatch::force()
{
    m_anyPortNow = true;
    m_anyPortBefore = false;
    m_forced = true;
}
