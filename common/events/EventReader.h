#pragma once

#include "EventRecord.h"

#include <QString>
#include <QStringList>
#include <QVector>

#include <limits>

// Reads the event log of a project's database, read-only, through its own
// connection: from any one thread, beside the recorder that writes it. A file
// written before the log existed has no events table and reads as empty.
class EventReader
{
public:
    enum Order
    {
        NewestFirst,
        OldestFirst
    };

    struct Query
    {
        // Unix seconds, both ends included.
        qint64 from = std::numeric_limits<qint64>::min();
        qint64 to = std::numeric_limits<qint64>::max();
        // Only this device's events; empty for all, the project's own included.
        QString serialNo;
        Order order = NewestFirst;
        // At most this many (from the chosen end); 0 for all.
        int limit = 0;
    };

    explicit EventReader(const QString &databasePath);

    // False when the file cannot be opened or read; errorText() says why.
    bool read(const Query &query, QVector<EventRecord> *events);
    // The serial numbers that have events, sorted: devices removed from the
    // project keep theirs.
    bool serialNumbers(QStringList *serials);
    QString errorText() const { return m_error; }

private:
    QString m_path;
    QString m_error;
};
