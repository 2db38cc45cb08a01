#include "ServerSchema.h"

#include "ServerConnection.h"
#include "ServerLogging.h"

#include <QDateTime>

namespace {

// "Moravin" in ASCII: the advisory lock every program takes while it looks
// at or changes the schema.
constexpr const char *LockKey = "21796766883553646";

// The schema grows by steps; a database at version n has had the first n.
// Steps are never edited once released, only appended.
const char *const Step1[] = {
    "create table moravin_schema (version integer not null, readable_by integer not null,"
    " program text not null, changed bigint not null)",
    "create table moravin_stores (store_key integer generated always as identity primary key,"
    " store_id uuid not null unique, project_name text not null,"
    " host text not null default '', os_user text not null default '',"
    " project_path text not null default '', created bigint not null,"
    " last_seen bigint not null)",
    "create table moravin_readings (store_key integer not null, local_id bigint not null,"
    " serialno text not null, channel1 double precision, channel2 double precision,"
    " pointdate bigint not null, primary key (store_key, local_id))",
    "create table moravin_events (store_key integer not null, local_id bigint not null,"
    " event_time bigint not null, kind text not null, serialno text not null default '',"
    " channel integer not null default 0, value double precision,"
    " limit_value double precision, detail text not null default '',"
    " repeats integer not null default 1, primary key (store_key, local_id))",
    "create table moravin_rejected (store_key integer not null, table_name text not null,"
    " local_id bigint not null, row_text text not null, reason text not null,"
    " rejected bigint not null, primary key (store_key, table_name, local_id))",
    nullptr};

// The device catalogue, and the index that makes a range read of a few
// devices cost what the range holds: the key orders each device's rows by
// time and then as the recorder stored them, and the values ride along, so
// a read never visits the table itself.
const char *const Step2[] = {
    "create table moravin_devices (store_key integer not null, serialno text not null,"
    " position integer not null default -1, device_name text not null default '',"
    " ch1_name text not null default '', ch2_name text not null default '',"
    " ch1_unit integer not null default 0, ch2_unit integer not null default 0,"
    " ch1_custom text not null default '', ch2_custom text not null default '',"
    " ch1_min double precision, ch1_max double precision,"
    " ch2_min double precision, ch2_max double precision,"
    " first_point bigint, last_point bigint, updated bigint not null default 0,"
    " primary key (store_key, serialno))",
    "create index moravin_readings_device_time on moravin_readings"
    " (serialno, pointdate, store_key, local_id) include (channel1, channel2)",
    "create index moravin_events_time on moravin_events (event_time)", nullptr};

const char *const *const Steps[] = {Step1, Step2};
static_assert(sizeof(Steps) / sizeof(Steps[0]) == ServerSchema::Version,
              "one step per schema version");

// Readers of version n understand every table layout back to this version.
constexpr int ReadableBy = 2;

QString newerText(int stored, int readableBy, bool forWriting)
{
    if (forWriting)
        return QStringLiteral("The server's tables were made by a newer Moravin (schema version "
                              "%1; this program knows up to %2). Nothing is written to them: "
                              "update this program.")
            .arg(stored)
            .arg(ServerSchema::Version);
    return QStringLiteral("The server's tables were made by a newer Moravin (schema version %1, "
                          "readable from version %2; this program knows up to %3): update this "
                          "program.")
        .arg(stored)
        .arg(readableBy)
        .arg(ServerSchema::Version);
}

} // namespace

QString ServerSchema::serverTooOld(const QString &versionText)
{
    return QStringLiteral("The server runs PostgreSQL %1; Moravin needs PostgreSQL 11 or later.")
        .arg(versionText);
}

int ServerSchema::storedVersion(ServerConnection &connection, QString *message)
{
    ServerResult exists = connection.exec("select to_regclass('moravin_schema') is not null");
    if (!exists.ok()) {
        *message = exists.errorText();
        return -1;
    }
    if (exists.value(0, 0) != "t")
        return 0;
    ServerResult row = connection.exec("select version, readable_by from moravin_schema");
    if (!row.ok()) {
        *message = row.errorText();
        return -1;
    }
    if (row.rows() != 1) {
        *message = QStringLiteral("The server's table moravin_schema holds %1 rows instead of "
                                  "one; it was changed by hand.")
                       .arg(row.rows());
        return -1;
    }
    return int(row.toInt64(0, 0));
}

ServerSchema::Outcome ServerSchema::ensure(ServerConnection &connection, QString *message,
                                           int targetVersion)
{
    message->clear();
    if (connection.serverVersion() < MinimumServerVersion) {
        *message = serverTooOld(connection.serverVersionText());
        return Outcome::Failed;
    }
    auto failWith = [&](const ServerResult &r, const QString &what) {
        *message = QStringLiteral("%1: %2").arg(what, r.primaryMessage());
        if (connection.isOpen())
            connection.exec("rollback");
        return Outcome::Failed;
    };
    ServerResult begin = connection.exec("begin");
    if (!begin.ok())
        return failWith(begin, QStringLiteral("The server's tables cannot be checked"));
    ServerResult lock =
        connection.exec(QByteArray("select pg_advisory_xact_lock(") + LockKey + ")");
    if (!lock.ok())
        return failWith(lock, QStringLiteral("The server's tables cannot be checked"));

    const int stored = storedVersion(connection, message);
    if (stored < 0) {
        connection.exec("rollback");
        return Outcome::Failed;
    }
    if (stored > Version) {
        ServerResult r = connection.exec("select readable_by from moravin_schema");
        *message = newerText(stored, int(r.toInt64(0, 0)), true);
        connection.exec("rollback");
        return Outcome::Newer;
    }
    if (stored >= targetVersion) {
        ServerResult end = connection.exec("commit");
        if (!end.ok())
            return failWith(end, QStringLiteral("The server's tables cannot be checked"));
        return Outcome::Current;
    }
    for (int step = stored; step < targetVersion; ++step) {
        for (const char *const *sql = Steps[step]; *sql; ++sql) {
            ServerResult r = connection.exec(*sql);
            if (!r.ok())
                return failWith(r, stored == 0
                                       ? QStringLiteral("The server's tables cannot be created")
                                       : QStringLiteral("The server's tables cannot be upgraded"));
        }
    }
    const QByteArray now = QByteArray::number(QDateTime::currentSecsSinceEpoch());
    const QByteArray program = QByteArray("Moravin ") + MORAVIN_VERSION_TEXT;
    ServerResult clear = connection.exec("delete from moravin_schema");
    if (!clear.ok())
        return failWith(clear, QStringLiteral("The server's schema version cannot be written"));
    ServerResult write = connection.exec(
        "insert into moravin_schema (version, readable_by, program, changed) values ($1, $2, $3, "
        "$4)",
        {QByteArray::number(targetVersion), QByteArray::number(qMin(ReadableBy, targetVersion)),
         program, now});
    if (!write.ok())
        return failWith(write, QStringLiteral("The server's schema version cannot be written"));
    ServerResult end = connection.exec("commit");
    if (!end.ok())
        return failWith(end, QStringLiteral("The server's tables cannot be created"));
    qCInfo(lcServer) << "ServerSchema::ensure : version" << stored << "->" << targetVersion << "on"
                     << connection.target();
    return stored == 0 ? Outcome::Created : Outcome::Upgraded;
}

bool ServerSchema::checkReadable(ServerConnection &connection, QString *message)
{
    message->clear();
    const int stored = storedVersion(connection, message);
    if (stored < 0)
        return false;
    if (stored == 0) {
        *message = QStringLiteral("The server holds no Moravin tables yet: a recorder creates "
                                  "them when it first forwards readings.");
        return false;
    }
    ServerResult row = connection.exec("select readable_by from moravin_schema");
    if (!row.ok()) {
        *message = row.errorText();
        return false;
    }
    const int readableBy = int(row.toInt64(0, 0));
    if (readableBy > Version) {
        *message = newerText(stored, readableBy, false);
        return false;
    }
    return true;
}
