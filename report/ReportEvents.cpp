#include "ReportEvents.h"

#include "events/EventReader.h"

#include <QSet>

ReportEvents::Result ReportEvents::read(const QString &databasePath,
                                        const QList<ReportChannel> &channels, qint64 start,
                                        qint64 end)
{
    Result result;
    QSet<QString> devices;
    for (const ReportChannel &c : channels)
        devices.insert(c.deviceNumber);
    EventReader::Query query;
    query.from = start;
    query.to = end;
    query.order = EventReader::OldestFirst;
    QVector<EventRecord> all;
    EventReader reader(databasePath);
    if (!reader.read(query, &all)) {
        result.errorText = reader.errorText();
        return result;
    }
    for (const EventRecord &e : qAsConst(all)) {
        if (e.serialNo.isEmpty() || devices.contains(e.serialNo))
            result.events.append(e);
    }
    return result;
}
