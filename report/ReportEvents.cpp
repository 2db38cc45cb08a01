#include "ReportEvents.h"

#include "events/EventReader.h"
#include "store/ReadingsSource.h"

#include <QSet>

namespace {

// Keeps the events of the report's devices and, unless deviceOnly, those
// of the project as a whole.
ReportEvents::Result pick(const QVector<EventRecord> &all, const QList<ReportChannel> &channels,
                          bool deviceOnly)
{
    ReportEvents::Result result;
    QSet<QString> devices;
    for (const ReportChannel &c : channels)
        devices.insert(c.deviceNumber);
    for (const EventRecord &e : all) {
        if ((!deviceOnly && e.serialNo.isEmpty()) || devices.contains(e.serialNo))
            result.events.append(e);
    }
    return result;
}

} // namespace

ReportEvents::Result ReportEvents::read(const QString &databasePath,
                                        const QList<ReportChannel> &channels, qint64 start,
                                        qint64 end)
{
    EventReader::Query query;
    query.from = start;
    query.to = end;
    query.order = EventReader::OldestFirst;
    QVector<EventRecord> all;
    EventReader reader(databasePath);
    if (!reader.read(query, &all)) {
        Result result;
        result.errorText = reader.errorText();
        return result;
    }
    return pick(all, channels, false);
}

ReportEvents::Result ReportEvents::read(const ReadingsSource &source,
                                        const QList<ReportChannel> &channels, qint64 start,
                                        qint64 end)
{
    QVector<EventRecord> all;
    QString error;
    if (!source.events(start, end, &all, &error)) {
        Result result;
        result.errorText = error;
        return result;
    }
    return pick(all, channels, source.isSite());
}
