#pragma once

#include "UsbDeviceRecord.h"

#include <QByteArray>
#include <QList>

#include <functional>

// The system's serial ports, enumerated again only when their fingerprint
// changes, and at least every FullScanMs in case a change left no trace
// there. One scanning thread uses it.
class SystemPortCache
{
public:
    static constexpr qint64 FullScanMs = 30000;

    using Enumerate = std::function<QList<UsbDeviceRecord>()>;
    using Fingerprint = std::function<QByteArray()>;

    SystemPortCache(Enumerate enumerate, Fingerprint fingerprint);

    // nowMs is a monotonic time.
    QList<UsbDeviceRecord> devices(qint64 nowMs);

private:
    Enumerate m_enumerate;
    Fingerprint m_fingerprint;
    QList<UsbDeviceRecord> m_devices;
    QByteArray m_print;
    qint64 m_enumeratedAt = 0;
};
