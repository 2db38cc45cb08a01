#include "DatabaseSpan.h"

#include <QLoggingCategory>

#include <sqlite3.h>

Q_LOGGING_CATEGORY(lcSpan, "moravin.viewer.span")

namespace DatabaseSpan {

namespace {

bool edge(sqlite3 *db, const char *sql, qint64 *value)
{
    sqlite3_stmt *st = nullptr;
    bool ok = false;
    if (sqlite3_prepare_v2(db, sql, -1, &st, nullptr) == SQLITE_OK) {
        sqlite3_bind_int(st, 1, EdgeRows);
        if (sqlite3_step(st) == SQLITE_ROW && sqlite3_column_type(st, 0) != SQLITE_NULL) {
            *value = sqlite3_column_int64(st, 0);
            ok = true;
        }
    }
    if (!ok)
        qCDebug(lcSpan) << "DatabaseSpan :" << sqlite3_errmsg(db);
    sqlite3_finalize(st);
    return ok;
}

} // namespace

bool read(const QString &dbPath, qint64 *first, qint64 *last)
{
    sqlite3 *db = nullptr;
    const QByteArray path = dbPath.toUtf8();
    bool ok = sqlite3_open_v2(path.constData(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK;
    if (ok) {
        sqlite3_busy_timeout(db, 2000);
        ok = edge(db,
                  "select min(pointDate) from (select pointDate from kelvantis"
                  " order by rowid limit ?1)",
                  first) &&
             edge(db,
                  "select max(pointDate) from (select pointDate from kelvantis"
                  " order by rowid desc limit ?1)",
                  last);
    }
    sqlite3_close(db);
    if (ok && *first > *last)
        qSwap(*first, *last);
    return ok;
}

} // namespace DatabaseSpan
