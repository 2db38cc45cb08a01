#include "StorageWarnings.h"

#include "DatabaseSize.h"

#include <QFileInfo>
#include <QStorageInfo>

namespace {
EventRecord warning(const QString &kind, qint64 now, qint64 value, double limit)
{
    EventRecord e = EventRecord::of(now, kind);
    e.value = double(value);
    e.limit = limit;
    return e;
}
} // namespace

QVector<EventRecord> StorageWarnings::check(qint64 freeBytes, qint64 databaseBytes, qint64 now)
{
    QVector<EventRecord> events;
    if (freeBytes >= 0) {
        if (!m_diskLow && freeBytes < LowDiskBytes) {
            m_diskLow = true;
            events.append(warning(EventKind::DiskWarning, now, freeBytes, double(LowDiskBytes)));
        } else if (m_diskLow && freeBytes >= LowDiskBytes + RearmMarginBytes) {
            m_diskLow = false;
        }
    }
    const bool high = double(databaseBytes) >= SizeShare * DatabaseSize::LimitBytes;
    if (high && !m_sizeHigh)
        events.append(
            warning(EventKind::SizeWarning, now, databaseBytes, DatabaseSize::LimitBytes));
    m_sizeHigh = high;
    return events;
}

qint64 StorageWarnings::freeBytes(const QString &path)
{
    const QStorageInfo storage(QFileInfo(path).absolutePath());
    return storage.isValid() && storage.isReady() ? storage.bytesAvailable() : -1;
}
