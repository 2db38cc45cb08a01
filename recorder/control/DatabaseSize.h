#pragma once

#include <QString>
#include <QtGlobal>

// The rules the recorder applies to the size of the project database: the
// text the project panel shows, the size from which it warns, and the size
// at which recording stops so that the file stays usable.
class DatabaseSize
{
public:
    static constexpr qint64 WarningBytes = 3221225472LL; // 3 GiB
    static constexpr double LimitBytes = 3.9 * 1024 * 1024 * 1024;

    // The file with its write-ahead log, which holds the newest batches until
    // SQLite moves them into the file.
    static qint64 onDisk(const QString &databasePath);
    // "Database 3072.00MB"
    static QString text(qint64 bytes);
    static bool isWarning(qint64 bytes) { return bytes >= WarningBytes; }
    static bool reachesLimit(qint64 bytes) { return double(bytes) >= LimitBytes; }
};
