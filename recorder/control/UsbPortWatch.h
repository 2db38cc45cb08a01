#pragma once

// Decides from one USB scan to the next whether the set of USB devices
// changed: a first device came (rebuild the USB records and reopen the
// project's devices on their ports), the last one went (drop the records), or
// the count changed while some stayed (rebuild). Scans that change nothing
// leave the lists alone, so nothing is reopened every 1.5 s.
class UsbPortWatch
{
public:
    enum Change
    {
        NoChange,
        PortsChanged,
        AllPortsDown
    };

    // portCount: devices found now; knownCount: USB records held from before.
    Change check(int portCount, int knownCount);
    // The next check rebuilds whatever it finds.
    void force();

    bool anyPortNow() const { return m_anyPortNow; }
    bool anyPortBefore() const { return m_anyPortBefore; }

private:
    bool m_anyPortNow = false;
    bool m_anyPortBefore = false;
    bool m_forced = false;
};
