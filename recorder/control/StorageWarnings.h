#pragma once

#include "events/EventRecord.h"

#include <QString>
#include <QVector>

// Warnings before recording has to stop: free disk space below 1 GiB, or
// the database at 90 % of the size at which recording stops. Each is given
// once when the line is crossed; disk space must climb clearly back above
// it (64 MiB) before another warning, so a disk hovering at the line does
// not flood the log.
class StorageWarnings
{
public:
    static constexpr qint64 LowDiskBytes = 1024LL * 1024 * 1024;
    static constexpr qint64 RearmMarginBytes = 64LL * 1024 * 1024;
    static constexpr double SizeShare = 0.9;

    // freeBytes below 0: not known, no disk decision.
    QVector<EventRecord> check(qint64 freeBytes, qint64 databaseBytes, qint64 now);
    bool diskLow() const { return m_diskLow; }
    bool sizeHigh() const { return m_sizeHigh; }

    // Free space for this user on the file system holding path; -1 unknown.
    static qint64 freeBytes(const QString &path);

private:
    bool m_diskLow = false;
    bool m_sizeHigh = false;
};
