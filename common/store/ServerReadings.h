#pragma once

#include "ServerConnection.h"
#include "ServerProject.h"
#include "events/EventRecord.h"

#include <QStringList>
#include <QUuid>
#include <QVector>

#include <vector>

// Reads readings, their span and the device catalogue from a site's server,
// for the viewer and the report program. Read-only, so a streaming replica
// serves as well as the primary. Use one object per thread; it connects on
// first use and keeps the connection.
class ServerReadings
{
public:
    // One stored reading: serialNo = serials[device] of the read call;
    // NoValue for a stored NULL.
    struct Row
    {
        int device = 0;
        double channel1 = 0;
        double channel2 = 0;
        qint64 pointDate = 0;
    };

    explicit ServerReadings(const QString &connection, int timeoutMs = 30000);

    // The store (project) whose rows are read; null: every store of the site.
    void setStore(const QUuid &storeId) { m_storeId = storeId; }

    // Appends the rows of the given devices with start <= pointDate <= end:
    // device by device in the order given, each ascending by time, rows of
    // the same time in the order the recorder stored them. A consumer that
    // orders a device's rows by time and keeps the last of equal times thus
    // gets exactly what it gets from the project's SQLite file.
    bool read(const QStringList &serials, qint64 start, qint64 end, std::vector<Row> *rows);
    // The first and last stored time of the store (of the site when no store
    // is set), from the catalogue; false with an empty errorText when nothing
    // is stored.
    bool span(qint64 *first, qint64 *last);
    // The event log with start <= time <= end, oldest first (of the store,
    // or of every store when none is set).
    bool events(qint64 start, qint64 end, QVector<EventRecord> *events);
    // Every recorder's devices, grouped by project (by name, then host).
    bool catalogue(QVector<ServerProject> *projects);

    QString errorText() const { return m_error; }

private:
    bool connect();
    // A statement that, when the connection went away since the last call
    // (the server restarted, a replica was promoted), is tried once more on
    // a fresh one: reads can always be repeated.
    ServerResult query(const QByteArray &sql, const QVector<QByteArray> &params = {},
                       bool binary = false);
    bool storeKey(int *key);

    QString m_setting;
    int m_timeoutMs;
    QUuid m_storeId;
    ServerConnection m_connection;
    bool m_checked = false;
    QString m_error;
};
