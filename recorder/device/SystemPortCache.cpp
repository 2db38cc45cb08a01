#include "SystemPortCache.h"

#include <utility>

SystemPortCache::SystemPortCache(Enumerate enumerate, Fingerprint fingerprint)
    : m_enumerate(std::move(enumerate)), m_fingerprint(std::move(fingerprint))
{
}

QList<UsbDeviceRecord> SystemPortCache::devices(qint64 nowMs)
{
    const QByteArray print = m_fingerprint();
    // An empty fingerprint means the ports could not be looked at cheaply;
    // the first look finds none stored.
    if (!print.isEmpty() && print == m_print && nowMs - m_enumeratedAt < FullScanMs)
        return m_devices;
    m_devices = m_enumerate();
    m_print = print;
    m_enumeratedAt = nowMs;
    return m_devices;
}
