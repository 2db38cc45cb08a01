#include "EventsLoader.h"

EventsLoader::EventsLoader(const QString &databasePath, const EventReader::Query &query,
                           int generation, QObject *parent)
    : QThread(parent), m_path(databasePath), m_query(query), m_generation(generation)
{
    qRegisterMetaType<QVector<EventRecord>>();
    connect(this, &QThread::finished, this, &QObject::deleteLater);
}

void EventsLoader::run()
{
    EventReader reader(m_path);
    QVector<EventRecord> events;
    QStringList serials;
    const bool ok = reader.read(m_query, &events) && reader.serialNumbers(&serials);
    emit loaded(m_generation, events, serials, ok ? QString() : reader.errorText());
}
