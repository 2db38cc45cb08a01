#include "ResumeGapRows.h"

#include "ControlLogging.h"

#include "store/StoreSchema.h"

#include <QLoggingCategory>

#include <sqlite3.h>


QVector<ResumeGapRows::Row> ResumeGapRows::rows(const QStringList &devices,
                                                const QHash<QString, qint64> &lastStored,
                                                int intervalMs, qint64 resumeTime)
{
    QVector<Row> rows;
    for (const QString &serial : devices) {
        const auto it = lastStored.constFind(serial);
        if (it != lastStored.constEnd())
            rows.append({serial, stamp(*it, intervalMs, resumeTime)});
    }
    return rows;
}

qint64 ResumeGapRows::stamp(qint64 lastStored, int intervalMs, qint64 resumeTime)
{
    const qint64 afterOneInterval = lastStored + qMax(1, intervalMs / 1000);
    return qMax(lastStored + 1, qMin(afterOneInterval, resumeTime));
}

bool ResumeGapRows::lastStored(const QString &databasePath, QHash<QString, qint64> *last,
                               qint64 maxRows)
{
    namespace R = StoreSchema::Readings;
    last->clear();
    sqlite3 *db = nullptr;
    const QByteArray path = databasePath.toUtf8();
    bool ok = sqlite3_open_v2(path.constData(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK;
    sqlite3_stmt *stmt = nullptr;
    if (ok) {
        sqlite3_busy_timeout(db, 2000);
        // The rowid range is a search, not a scan.
        const QByteArray sql =
            QStringLiteral("select %1, max(%2) from %3 where %4 > "
                           "(select ifnull(max(%4), 0) from %3) - ?1 group by %1")
                .arg(QLatin1String(R::SerialNo), QLatin1String(R::PointDate),
                     QLatin1String(R::Table), QLatin1String(R::Id))
                .toUtf8();
        ok = sqlite3_prepare_v2(db, sql.constData(), -1, &stmt, nullptr) == SQLITE_OK &&
             sqlite3_bind_int64(stmt, 1, maxRows) == SQLITE_OK;
    }
    int rc = ok ? sqlite3_step(stmt) : SQLITE_ERROR;
    while (rc == SQLITE_ROW) {
        const auto *serial = reinterpret_cast<const char *>(sqlite3_column_text(stmt, 0));
        last->insert(QString::fromUtf8(serial, sqlite3_column_bytes(stmt, 0)),
                     sqlite3_column_int64(stmt, 1));
        rc = sqlite3_step(stmt);
    }
    if (rc != SQLITE_DONE) {
        qCWarning(lcControl) << "ResumeGapRows::lastStored :" << databasePath << ":"
                            << (db ? sqlite3_errmsg(db) : "out of memory");
        last->clear();
    }
    sqlite3_finalize(stmt);
    sqlite3_close(db);
    return rc == SQLITE_DONE;
}
