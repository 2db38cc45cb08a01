#pragma once

#include <QString>

class ServerConnection;

// The tables of a site's PostgreSQL database. The program creates and
// upgrades them itself; moravin_schema holds the version, which every program
// reads before it writes.
//
// moravin_schema   one row: version, readable_by (the oldest version whose
//                  readers still understand the tables), program, changed
// moravin_stores   one row per project (store): store_id (the UUID of the
//                  project file's [Server] group), project name, recorder
//                  host and user, project path, first and last contact
// moravin_readings the readings, keyed by (store_key, local_id): a batch sent
//                  twice is stored once
// moravin_events   the event log, keyed the same way
// moravin_rejected rows the server refused, kept as text with the reason
// moravin_devices  the device catalogue: names, units, limits and the span of
//                  stored readings per (store, serial number)
class ServerSchema
{
public:
    static constexpr int Version = 2;
    // Servers before this lack covering indexes (INCLUDE).
    static constexpr int MinimumServerVersion = 110000;

    static constexpr const char *VersionTable = "moravin_schema";
    static constexpr const char *Stores = "moravin_stores";
    static constexpr const char *Readings = "moravin_readings";
    static constexpr const char *Events = "moravin_events";
    static constexpr const char *Rejected = "moravin_rejected";
    static constexpr const char *Devices = "moravin_devices";

    enum class Outcome
    {
        Current,  // nothing to do
        Created,  // an empty database got the tables
        Upgraded, // an older version was brought up to date
        Newer,    // made by a newer program: nothing written
        Failed
    };

    // Creates or upgrades the tables so that this program may write them.
    // Concurrent recorders serialise on an advisory lock. targetVersion is
    // for tests that need an older schema; programs use Version.
    static Outcome ensure(ServerConnection &connection, QString *message,
                          int targetVersion = Version);
    // Whether this program may read the tables (they exist and their
    // readable_by is not newer than Version). Reads only: replicas are fine.
    static bool checkReadable(ServerConnection &connection, QString *message);
    // The stored version; 0 when there are no tables, -1 when unreadable.
    static int storedVersion(ServerConnection &connection, QString *message);
    // The refusal text for a server that is too old.
    static QString serverTooOld(const QString &versionText);
};
