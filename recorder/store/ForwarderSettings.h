#pragma once

#include "store/ServerDevice.h"

#include <QString>
#include <QUuid>
#include <QVector>

// What the forwarder of one project needs to know.
struct ForwarderSettings
{
    QString connection; // libpq connection string or service name
    QUuid storeId;      // the project file's [Server] StoreId
    QString projectName;
    QString projectPath; // shown in the catalogue
    QString spoolPath;   // the project's SQLite database
    QString host;        // this recorder's host and user; the system's when empty
    QString user;
    QVector<ServerDevice> devices;

    int batchRows = 5000;
    int pollMs = 1000;              // how often the spool is looked at when idle
    int statementTimeoutMs = 30000; // a statement without answer counts as a lost connection
    int connectTimeoutMs = 10000;
    // Back-off after a failure, doubling up to longestRetryMs (each spread by
    // up to a fifth): a server back from a long outage is found again within
    // 36 s, so a 5-minute backlog is on it well within a minute.
    int firstRetryMs = 1000;
    int longestRetryMs = 30000;
};
