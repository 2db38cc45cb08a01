#pragma once

#include "events/EventReader.h"
#include "events/EventRecord.h"

#include <QStringList>
#include <QThread>
#include <QVector>

// Reads the event log off the GUI thread, which must never wait for the
// database. It deletes itself when it has finished; a view that goes away
// first lets go of it (see EventsView), and then simply gets nothing.
class EventsLoader : public QThread
{
    Q_OBJECT
public:
    EventsLoader(const QString &databasePath, const EventReader::Query &query, int generation,
                 QObject *parent);

signals:
    // serials: the devices that have events, removed ones included.
    void loaded(int generation, const QVector<EventRecord> &events, const QStringList &serials,
                const QString &errorText);

protected:
    void run() override;

private:
    QString m_path;
    EventReader::Query m_query;
    int m_generation;
};
