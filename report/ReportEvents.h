#pragma once

#include "ReportChannel.h"
#include "events/EventRecord.h"

class ReadingsSource;

#include <QList>
#include <QString>
#include <QVector>

// The events of the report's period that concern it: the project's own and
// those of the devices whose channels are in the report, oldest first.
namespace ReportEvents {

struct Result
{
    QVector<EventRecord> events;
    QString errorText; // why the log could not be read; the report goes on without it
};

Result read(const QString &databasePath, const QList<ReportChannel> &channels, qint64 start,
            qint64 end);
// The same from a site's server; for a site project only the events of the
// report's devices (the projects' own would be every project's).
Result read(const ReadingsSource &source, const QList<ReportChannel> &channels, qint64 start,
            qint64 end);

} // namespace ReportEvents
