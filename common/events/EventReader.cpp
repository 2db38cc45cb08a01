#include "EventReader.h"

#include "store/StoreSchema.h"

#include <QLoggingCategory>

#include <sqlite3.h>

Q_LOGGING_CATEGORY(lcEventReader, "moravin.common.events")

namespace {

namespace E = StoreSchema::Events;

// A short wait: the recorder's writer holds its lock only for one batch.
constexpr int BusyTimeoutMs = 1000;

struct Connection
{
    sqlite3 *db = nullptr;
    ~Connection() { sqlite3_close(db); }
};

struct Statement
{
    sqlite3_stmt *stmt = nullptr;
    ~Statement() { sqlite3_finalize(stmt); }
};

QString columnText(sqlite3_stmt *stmt, int column)
{
    const auto *text = reinterpret_cast<const char *>(sqlite3_column_text(stmt, column));
    return QString::fromUtf8(text, sqlite3_column_bytes(stmt, column));
}

std::optional<double> columnNumber(sqlite3_stmt *stmt, int column)
{
    if (sqlite3_column_type(stmt, column) == SQLITE_NULL)
        return std::nullopt;
    return sqlite3_column_double(stmt, column);
}

// Opens the file and tells whether it has the events table.
bool openLog(const QString &path, Connection *c, bool *hasTable, QString *error)
{
    const QByteArray file = path.toUtf8();
    if (sqlite3_open_v2(file.constData(), &c->db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
        *error = QString::fromUtf8(c->db ? sqlite3_errmsg(c->db) : "out of memory");
        return false;
    }
    sqlite3_busy_timeout(c->db, BusyTimeoutMs);
    Statement s;
    const char *sql = "select 1 from sqlite_master where type = 'table' and name = ?";
    if (sqlite3_prepare_v2(c->db, sql, -1, &s.stmt, nullptr) != SQLITE_OK ||
        sqlite3_bind_text(s.stmt, 1, E::Table, -1, SQLITE_STATIC) != SQLITE_OK) {
        *error = QString::fromUtf8(sqlite3_errmsg(c->db));
        return false;
    }
    const int rc = sqlite3_step(s.stmt);
    if (rc != SQLITE_ROW && rc != SQLITE_DONE) {
        *error = QString::fromUtf8(sqlite3_errmsg(c->db));
        return false;
    }
    *hasTable = rc == SQLITE_ROW;
    return true;
}

} // namespace

EventReader::EventReader(const QString &databasePath) : m_path(databasePath) {}

bool EventReader::read(const Query &query, QVector<EventRecord> *events)
{
    events->clear();
    m_error.clear();
    Connection c;
    bool hasTable = false;
    if (!openLog(m_path, &c, &hasTable, &m_error)) {
        qCWarning(lcEventReader) << "EventReader::read :" << m_path << ":" << m_error;
        return false;
    }
    if (!hasTable)
        return true;

    const char *direction = query.order == NewestFirst ? "desc" : "asc";
    const QByteArray sql =
        QStringLiteral("select %1, %2, %3, %4, %5, %6, %7, %8 from %9 where %1 between ?1 and ?2"
                       "%10 order by %1 %11, %12 %11 limit ?4")
            .arg(QLatin1String(E::Time), QLatin1String(E::Kind), QLatin1String(E::SerialNo),
                 QLatin1String(E::Channel), QLatin1String(E::Value), QLatin1String(E::Limit),
                 QLatin1String(E::Detail), QLatin1String(E::Repeats), QLatin1String(E::Table))
            .arg(query.serialNo.isEmpty()
                     ? QString()
                     : QStringLiteral(" and %1 = ?3").arg(QLatin1String(E::SerialNo)),
                 QLatin1String(direction), QLatin1String(E::Id))
            .toUtf8();
    Statement s;
    const QByteArray serial = query.serialNo.toUtf8();
    bool ok = sqlite3_prepare_v2(c.db, sql.constData(), -1, &s.stmt, nullptr) == SQLITE_OK &&
              sqlite3_bind_int64(s.stmt, 1, query.from) == SQLITE_OK &&
              sqlite3_bind_int64(s.stmt, 2, query.to) == SQLITE_OK &&
              sqlite3_bind_int64(s.stmt, 4, query.limit > 0 ? query.limit : -1) == SQLITE_OK;
    if (ok && !query.serialNo.isEmpty())
        ok = sqlite3_bind_text(s.stmt, 3, serial.constData(), serial.size(), SQLITE_STATIC) ==
             SQLITE_OK;
    int rc = ok ? sqlite3_step(s.stmt) : SQLITE_ERROR;
    while (rc == SQLITE_ROW) {
        EventRecord e;
        e.time = sqlite3_column_int64(s.stmt, 0);
        e.kind = columnText(s.stmt, 1);
        e.serialNo = columnText(s.stmt, 2);
        e.channel = sqlite3_column_int(s.stmt, 3);
        e.value = columnNumber(s.stmt, 4);
        e.limit = columnNumber(s.stmt, 5);
        e.detail = columnText(s.stmt, 6);
        e.repeats = sqlite3_column_int(s.stmt, 7);
        events->append(e);
        rc = sqlite3_step(s.stmt);
    }
    if (rc != SQLITE_DONE) {
        m_error = QString::fromUtf8(sqlite3_errmsg(c.db));
        qCWarning(lcEventReader) << "EventReader::read :" << m_path << ":" << m_error;
        events->clear();
        return false;
    }
    return true;
}

bool EventReader::serialNumbers(QStringList *serials)
{
    serials->clear();
    m_error.clear();
    Connection c;
    bool hasTable = false;
    if (!openLog(m_path, &c, &hasTable, &m_error))
        return false;
    if (!hasTable)
        return true;
    const QByteArray sql = QStringLiteral("select distinct %1 from %2 where %1 <> '' order by %1")
                               .arg(QLatin1String(E::SerialNo), QLatin1String(E::Table))
                               .toUtf8();
    Statement s;
    int rc = sqlite3_prepare_v2(c.db, sql.constData(), -1, &s.stmt, nullptr) == SQLITE_OK
                 ? sqlite3_step(s.stmt)
                 : SQLITE_ERROR;
    while (rc == SQLITE_ROW) {
        serials->append(columnText(s.stmt, 0));
        rc = sqlite3_step(s.stmt);
    }
    if (rc != SQLITE_DONE) {
        m_error = QString::fromUtf8(sqlite3_errmsg(c.db));
        serials->clear();
        return false;
    }
    return true;
}
