#include "ForwarderSpool.h"

#include "store/StoreSchema.h"

#include <QFileInfo>

#include <sqlite3.h>

namespace {

// Resets a statement when the read is done, also on early returns.
struct Done
{
    sqlite3_stmt *statement;
    ~Done()
    {
        sqlite3_reset(statement);
        sqlite3_clear_bindings(statement);
    }
};

// As the viewer reads a value: NULL (and a blob) is no value; text or
// integer is taken as SQLite converts it.
void readValue(sqlite3_stmt *st, int column, bool *isNull, double *value)
{
    const int type = sqlite3_column_type(st, column);
    *isNull = type == SQLITE_NULL || type == SQLITE_BLOB;
    *value = *isNull ? 0 : sqlite3_column_double(st, column);
}

QByteArray textOf(sqlite3_stmt *st, int column)
{
    const char *text = reinterpret_cast<const char *>(sqlite3_column_text(st, column));
    return text ? QByteArray(text, sqlite3_column_bytes(st, column)) : QByteArray("");
}

void readRow(sqlite3_stmt *st, ForwarderSpool::Reading *r)
{
    r->id = sqlite3_column_int64(st, 0);
    r->serialNo = textOf(st, 1);
    readValue(st, 2, &r->null1, &r->channel1);
    readValue(st, 3, &r->null2, &r->channel2);
    r->pointDate = sqlite3_column_int64(st, 4);
}

// The statements, with the names of the one place that writes them.
QByteArray readingColumns()
{
    using namespace StoreSchema::Readings;
    return QByteArray("select ") + Id + ", " + SerialNo + ", " + Channel1 + ", " + Channel2 + ", " +
           PointDate + " from " + Table;
}

const QByteArray &readingsSql()
{
    static const QByteArray sql = readingColumns() + " where " + StoreSchema::Readings::Id +
                                  " > ?1 order by " + StoreSchema::Readings::Id + " limit ?2";
    return sql;
}

const QByteArray &readingAtSql()
{
    static const QByteArray sql =
        readingColumns() + " where " + StoreSchema::Readings::Id + " = ?1";
    return sql;
}

const QByteArray &countSql()
{
    static const QByteArray sql = QByteArray("select count(*) from ") +
                                  StoreSchema::Readings::Table + " where " +
                                  StoreSchema::Readings::Id + " > ?1";
    return sql;
}

const QByteArray &eventsSql()
{
    using namespace StoreSchema::Events;
    static const QByteArray sql = QByteArray("select ") + Id + ", " + Time + ", " + Kind + ", " +
                                  SerialNo + ", " + Channel + ", " + Value + ", " + Limit + ", " +
                                  Detail + ", " + Repeats + " from " + Table + " where " + Id +
                                  " > ?1 order by " + Id + " limit ?2";
    return sql;
}

} // namespace

bool ForwarderSpool::Reading::operator==(const Reading &o) const
{
    return id == o.id && serialNo == o.serialNo && null1 == o.null1 && null2 == o.null2 &&
           (null1 || channel1 == o.channel1) && (null2 || channel2 == o.channel2) &&
           pointDate == o.pointDate;
}

ForwarderSpool::ForwarderSpool(const QString &path) : m_path(path) {}

ForwarderSpool::~ForwarderSpool()
{
    close();
}

void ForwarderSpool::close()
{
    for (sqlite3_stmt **st : {&m_readings, &m_readingAt, &m_count, &m_events}) {
        sqlite3_finalize(*st);
        *st = nullptr;
    }
    sqlite3_close(m_db);
    m_db = nullptr;
    m_hasEvents = false;
}

QString ForwarderSpool::lastError() const
{
    return QString::fromUtf8(m_db ? sqlite3_errmsg(m_db) : "not open");
}

bool ForwarderSpool::prepare(sqlite3_stmt **statement, const char *sql, QString *error)
{
    if (*statement)
        return true;
    if (sqlite3_prepare_v3(m_db, sql, -1, SQLITE_PREPARE_PERSISTENT, statement, nullptr) !=
        SQLITE_OK) {
        *error = lastError();
        sqlite3_finalize(*statement);
        *statement = nullptr;
        return false;
    }
    return true;
}

bool ForwarderSpool::open(QString *error)
{
    if (m_db)
        return true;
    if (!QFileInfo::exists(m_path)) {
        *error = QStringLiteral("%1 does not exist yet").arg(m_path);
        return false;
    }
    const QByteArray path = m_path.toUtf8();
    if (sqlite3_open_v2(path.constData(), &m_db, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX,
                        nullptr) != SQLITE_OK) {
        *error = lastError();
        close();
        return false;
    }
    sqlite3_busy_timeout(m_db, 2000);
    sqlite3_stmt *probe = nullptr;
    const QByteArray probeSql = readingColumns() + " limit 0";
    const int rc = sqlite3_prepare_v2(m_db, probeSql.constData(), -1, &probe, nullptr);
    sqlite3_finalize(probe);
    if (rc != SQLITE_OK) {
        *error = lastError();
        close();
        return false;
    }
    return true;
}

bool ForwarderSpool::readings(qint64 afterId, int limit, std::vector<Reading> *out, QString *error)
{
    out->clear();
    if (!prepare(&m_readings, readingsSql().constData(), error))
        return false;
    Done done{m_readings};
    sqlite3_bind_int64(m_readings, 1, afterId);
    sqlite3_bind_int(m_readings, 2, limit);
    int rc;
    while ((rc = sqlite3_step(m_readings)) == SQLITE_ROW) {
        Reading r;
        readRow(m_readings, &r);
        out->push_back(std::move(r));
    }
    if (rc != SQLITE_DONE) {
        *error = lastError();
        return false;
    }
    return true;
}

bool ForwarderSpool::readingAt(qint64 id, Reading *out, bool *found, QString *error)
{
    *found = false;
    if (!prepare(&m_readingAt, readingAtSql().constData(), error))
        return false;
    Done done{m_readingAt};
    sqlite3_bind_int64(m_readingAt, 1, id);
    const int rc = sqlite3_step(m_readingAt);
    if (rc == SQLITE_ROW) {
        readRow(m_readingAt, out);
        *found = true;
        return true;
    }
    if (rc != SQLITE_DONE) {
        *error = lastError();
        return false;
    }
    return true;
}

qint64 ForwarderSpool::countAfter(qint64 afterId, QString *error)
{
    if (!prepare(&m_count, countSql().constData(), error))
        return -1;
    Done done{m_count};
    sqlite3_bind_int64(m_count, 1, afterId);
    if (sqlite3_step(m_count) != SQLITE_ROW) {
        *error = lastError();
        return -1;
    }
    return sqlite3_column_int64(m_count, 0);
}

bool ForwarderSpool::hasEvents()
{
    if (m_hasEvents || !m_db)
        return m_hasEvents;
    sqlite3_stmt *probe = nullptr;
    const QByteArray sql =
        QByteArray("select 1 from sqlite_master where type = 'table' and name = '") +
        StoreSchema::Events::Table + "'";
    if (sqlite3_prepare_v2(m_db, sql.constData(), -1, &probe, nullptr) == SQLITE_OK)
        m_hasEvents = sqlite3_step(probe) == SQLITE_ROW;
    sqlite3_finalize(probe);
    return m_hasEvents;
}

bool ForwarderSpool::events(qint64 afterId, int limit, std::vector<Event> *out, QString *error)
{
    out->clear();
    if (!prepare(&m_events, eventsSql().constData(), error))
        return false;
    Done done{m_events};
    sqlite3_bind_int64(m_events, 1, afterId);
    sqlite3_bind_int(m_events, 2, limit);
    int rc;
    while ((rc = sqlite3_step(m_events)) == SQLITE_ROW) {
        Event e;
        e.id = sqlite3_column_int64(m_events, 0);
        e.time = sqlite3_column_int64(m_events, 1);
        e.kind = textOf(m_events, 2);
        e.serialNo = textOf(m_events, 3);
        e.channel = sqlite3_column_int(m_events, 4);
        bool null = true;
        readValue(m_events, 5, &null, &e.value);
        e.hasValue = !null;
        readValue(m_events, 6, &null, &e.limit);
        e.hasLimit = !null;
        e.detail = textOf(m_events, 7);
        e.repeats =
            sqlite3_column_type(m_events, 8) == SQLITE_NULL ? 1 : sqlite3_column_int(m_events, 8);
        out->push_back(std::move(e));
    }
    if (rc != SQLITE_DONE) {
        *error = lastError();
        return false;
    }
    return true;
}
