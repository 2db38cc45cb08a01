#pragma once

#include "ReadingsRequest.h"
#include "ServerProject.h"
#include "ServerReadings.h"

#include <QString>
#include <QUuid>

#include <vector>

// Where the viewer and the report read a project's readings: the project's
// SQLite file, or the site's server when the project file names one (with
// the readers' own connection, which may be a replica's). A site project
// reads every store of the server; a recorder's project only its own.
class ReadingsSource
{
public:
    static ReadingsSource forProject(const QString &projectFile);
    // A project without a server: its SQLite file.
    static ReadingsSource file(const QString &databasePath);

    bool isServer() const { return !m_connection.isEmpty(); }
    // The server and no local database: the devices of the whole site.
    bool isSite() const { return m_site; }
    QString databasePath() const { return m_databasePath; }
    QString connection() const { return m_connection; }
    QUuid storeId() const { return m_storeId; }

    // The first and last reading time: from the server's catalogue, or from
    // the ends of the file's readings (name labels the file's connection).
    bool recordedPeriod(qint64 *first, qint64 *last, const QString &name) const;
    // The server's rows of the request, device by device in the request's
    // order, each ascending by time and, for equal times, in the order the
    // recorder stored them: what a scan of the file gives once its rows are
    // ordered by time, the last stored kept. For a server source only.
    bool read(const ReadingsRequest &request, std::vector<ServerReadings::Row> *rows,
              QString *errorText) const;
    // The server's event log of the period, oldest first.
    bool events(qint64 start, qint64 end, QVector<EventRecord> *events, QString *errorText) const;
    // The site's devices, grouped by project.
    bool catalogue(QVector<ServerProject> *projects, QString *errorText) const;

    static constexpr int TimeoutMs = 15000;

private:
    QString m_databasePath;
    QString m_connection;
    QUuid m_storeId;
    bool m_site = false;
};
