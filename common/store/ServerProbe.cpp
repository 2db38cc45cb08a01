#include "ServerProbe.h"

#include "ServerConnection.h"
#include "ServerSchema.h"

ServerProbe::Result ServerProbe::run(const QString &setting, int timeoutMs)
{
    Result result;
    if (setting.trimmed().isEmpty()) {
        result.text = QStringLiteral("No server named: enter a connection string or a service "
                                     "name.");
        return result;
    }
    ServerConnection connection;
    if (!connection.open(setting, timeoutMs)) {
        result.text =
            QStringLiteral("The server cannot be reached: %1").arg(connection.lastError());
        return result;
    }
    const QString where =
        QStringLiteral("PostgreSQL %1 at %2 as %3")
            .arg(connection.serverVersionText(), connection.target(), connection.userName());
    if (connection.serverVersion() < ServerSchema::MinimumServerVersion) {
        result.text = ServerSchema::serverTooOld(connection.serverVersionText());
        return result;
    }
    QString message;
    const int stored = ServerSchema::storedVersion(connection, &message);
    if (stored < 0) {
        result.text = QStringLiteral("Connected to %1, but the tables cannot be read: %2")
                          .arg(where, message);
        return result;
    }
    ServerResult standby = connection.exec("select pg_is_in_recovery()", {}, timeoutMs);
    const bool replica = standby.ok() && standby.value(0, 0) == "t";
    if (stored > ServerSchema::Version) {
        result.readable = ServerSchema::checkReadable(connection, &message);
        result.text = QStringLiteral("Connected to %1. %2").arg(where, message);
        return result;
    }
    if (replica) {
        result.readable = stored > 0;
        result.text =
            QStringLiteral("Connected to %1: a read-only replica. The viewer and the report can "
                           "read from it; a recorder needs the primary server.")
                .arg(where);
        return result;
    }
    ServerResult rights =
        stored == 0
            ? connection.exec("select coalesce(has_schema_privilege(current_schema(), 'CREATE'),"
                              " false)",
                              {}, timeoutMs)
            : connection.exec("select has_table_privilege('moravin_readings', 'INSERT')"
                              " and has_table_privilege('moravin_events', 'INSERT')"
                              " and has_table_privilege('moravin_rejected', 'INSERT')"
                              " and has_table_privilege('moravin_stores', 'INSERT, UPDATE')"
                              " and has_table_privilege('moravin_devices', 'INSERT, UPDATE')",
                              {}, timeoutMs);
    const bool mayWrite = rights.ok() && rights.value(0, 0) == "t";
    result.readable = stored > 0;
    if (stored == 0) {
        result.ok = mayWrite;
        result.text = mayWrite ? QStringLiteral("Connected to %1. Moravin's tables will be "
                                                "created at the first forwarding.")
                                     .arg(where)
                               : QStringLiteral("Connected to %1, but this user may not create "
                                                "tables there; ask the database's owner to "
                                                "create them or to grant that right.")
                                     .arg(where);
        return result;
    }
    result.ok = mayWrite;
    result.text =
        mayWrite ? QStringLiteral("Connected to %1. Moravin's tables are there (schema version "
                                  "%2%3).")
                       .arg(where)
                       .arg(stored)
                       .arg(stored < ServerSchema::Version
                                ? QStringLiteral(", upgraded at the first forwarding")
                                : QString())
                 : QStringLiteral("Connected to %1, but this user may not write Moravin's "
                                  "tables: readings would wait in the project's database. The "
                                  "viewer and the report can read with it.")
                       .arg(where);
    return result;
}
