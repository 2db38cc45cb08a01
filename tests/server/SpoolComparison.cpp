#include "SpoolComparison.h"

#include <QSet>

#include <libpq-fe.h>
#include <sqlite3.h>

namespace {

QString number(bool isNull, double value)
{
    return isNull ? QStringLiteral("NULL") : QString::number(value, 'g', 17);
}

} // namespace

QStringList SpoolComparison::spoolRows(const QString &spoolPath)
{
    QStringList rows;
    sqlite3 *db = nullptr;
    const QByteArray path = spoolPath.toUtf8();
    if (sqlite3_open_v2(path.constData(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_stmt *st = nullptr;
        sqlite3_prepare_v2(db,
                           "select id, serialno, channel1, channel2, pointDate from kelvantis"
                           " order by id",
                           -1, &st, nullptr);
        while (st && sqlite3_step(st) == SQLITE_ROW) {
            rows << QStringLiteral("%1|%2|%3|%4|%5")
                        .arg(sqlite3_column_int64(st, 0))
                        .arg(QString::fromUtf8(
                            reinterpret_cast<const char *>(sqlite3_column_text(st, 1))))
                        .arg(number(sqlite3_column_type(st, 2) == SQLITE_NULL,
                                    sqlite3_column_double(st, 2)),
                             number(sqlite3_column_type(st, 3) == SQLITE_NULL,
                                    sqlite3_column_double(st, 3)))
                        .arg(sqlite3_column_int64(st, 4));
        }
        sqlite3_finalize(st);
    }
    sqlite3_close(db);
    return rows;
}

QStringList SpoolComparison::serverRows(const QString &connection, const QUuid &storeId,
                                        QString *error)
{
    QStringList rows;
    PGconn *conn = PQconnectdb(connection.toUtf8().constData());
    const QByteArray id = storeId.toString(QUuid::WithoutBraces).toUtf8();
    const char *values[] = {id.constData()};
    PGresult *r = PQexecParams(
        conn,
        "select r.local_id, r.serialno, r.channel1::text, r.channel2::text, r.pointdate"
        " from moravin_readings r join moravin_stores s on s.store_key = r.store_key"
        " where s.store_id = $1 order by r.local_id",
        1, nullptr, values, nullptr, nullptr, 0);
    if (PQresultStatus(r) == PGRES_TUPLES_OK) {
        for (int i = 0; i < PQntuples(r); ++i) {
            auto text = [&](int c) { return QString::fromUtf8(PQgetvalue(r, i, c)); };
            auto value = [&](int c) {
                return number(PQgetisnull(r, i, c), QByteArray(PQgetvalue(r, i, c)).toDouble());
            };
            rows << QStringLiteral("%1|%2|%3|%4|%5")
                        .arg(text(0), text(1), value(2), value(3), text(4));
        }
    } else if (error) {
        *error = QString::fromUtf8(PQerrorMessage(conn));
    }
    PQclear(r);
    PQfinish(conn);
    return rows;
}

QString SpoolComparison::difference(const QStringList &spool, const QStringList &server)
{
    if (spool == server)
        return QString();
    const QSet<QString> a(spool.begin(), spool.end());
    const QSet<QString> b(server.begin(), server.end());
    QStringList missing, extra;
    for (const QString &row : spool)
        if (!b.contains(row) && missing.size() < 5)
            missing << row;
    for (const QString &row : server)
        if (!a.contains(row) && extra.size() < 5)
            extra << row;
    return QStringLiteral("spool %1 rows, server %2 rows; missing on the server: %3; only on the "
                          "server: %4")
        .arg(spool.size())
        .arg(server.size())
        .arg(missing.join(QStringLiteral(", ")), extra.join(QStringLiteral(", ")));
}
