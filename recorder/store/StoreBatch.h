#pragma once

#include "PendingRow.h"

#include "events/EventRecord.h"

#include <QMetaType>
#include <QVector>

// What one transaction writes: the readings gathered since the last flush and
// the event-log entries of the same span. Both land together or not at all,
// so an event never points at readings that were lost, nor the reverse.
struct StoreBatch
{
    QVector<PendingRow> readings;
    QVector<EventRecord> events;

    bool isEmpty() const { return readings.isEmpty() && events.isEmpty(); }
    // Puts an older batch, one that could not be written, in front of this one.
    void prepend(const StoreBatch &older)
    {
        readings = older.readings + readings;
        events = older.events + events;
    }
};

Q_DECLARE_METATYPE(StoreBatch)
