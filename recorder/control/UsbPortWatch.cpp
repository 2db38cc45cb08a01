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
    m_anyPortBefore = m_anyPortNow;
    return change;
}

void UsbPortWatch::force()
{
    m_anyPortNow = true;
    m_anyPortBefore = false;
}
