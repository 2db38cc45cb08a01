#include "SpoolWriter.h"

#include "core/NoValue.h"
#include "store/StoreSchema.h"

#include <sqlite3.h>

namespace {

void bindValue(sqlite3_stmt *st, int index, double value)
{
    if (value == NoValue)
        sqlite3_bind_null(st, index);
    else
        sqlite3_bind_double(st, index, value);
}

} // namespace

SpoolWriter::SpoolWriter(const QString &path) : m_path(path) {}

SpoolWriter::~SpoolWriter()
{
    sqlite3_close(m_db);
}

QString SpoolWriter::errorText() const
{
    return QString::fromUtf8(m_db ? sqlite3_errmsg(m_db) : "not open");
}

bool SpoolWriter::exec(const char *sql)
{
    return sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

bool SpoolWriter::open()
{
    const QByteArray path = m_path.toUtf8();
    if (sqlite3_open(path.constData(), &m_db) != SQLITE_OK)
        return false;
    sqlite3_busy_timeout(m_db, 5000);
    if (!exec("PRAGMA page_size = 4096") || !exec("PRAGMA journal_mode = WAL") ||
        !exec("PRAGMA synchronous = NORMAL"))
        return false;
    sqlite3_stmt *st = nullptr;
    sqlite3_prepare_v2(m_db, "select 1 from sqlite_master where type='table' and name='kelvantis'",
                       -1, &st, nullptr);
    const bool exists = sqlite3_step(st) == SQLITE_ROW;
    sqlite3_finalize(st);
    return exists || exec(StoreSchema::Readings::CreateStatement);
}

void SpoolWriter::append(const QByteArray &serialNo, double channel1, double channel2,
                         qint64 pointDate)
{
    m_rows.push_back({serialNo, channel1, channel2, pointDate});
}

bool SpoolWriter::flush()
{
    if (m_rows.empty())
        return true;
    if (!exec("begin immediate"))
        return false;
    // SQLite takes at most 500 terms in one compound select.
    for (size_t first = 0; first < m_rows.size(); first += 500) {
        const size_t n = std::min<size_t>(500, m_rows.size() - first);
        QByteArray sql = "insert into kelvantis (serialno, channel1, channel2, pointDate)";
        for (size_t i = 0; i < n; ++i)
            sql += i ? " union select ?, ?, ?, ?" : " select ?, ?, ?, ?";
        sqlite3_stmt *st = nullptr;
        if (sqlite3_prepare_v2(m_db, sql.constData(), sql.size(), &st, nullptr) != SQLITE_OK) {
            exec("rollback");
            return false;
        }
        for (size_t i = 0; i < n; ++i) {
            const Row &r = m_rows[first + i];
            const int b = int(i) * 4;
            sqlite3_bind_text(st, b + 1, r.serialNo.constData(), r.serialNo.size(),
                              SQLITE_TRANSIENT);
            bindValue(st, b + 2, r.channel1);
            bindValue(st, b + 3, r.channel2);
            sqlite3_bind_int64(st, b + 4, r.pointDate);
        }
        const int rc = sqlite3_step(st);
        sqlite3_finalize(st);
        if (rc != SQLITE_DONE) {
            exec("rollback");
            return false;
        }
    }
    if (!exec("commit")) {
        exec("rollback");
        return false;
    }
    m_rows.clear();
    return true;
}

bool SpoolWriter::insertRaw(const QByteArray &serialNo, double channel1, double channel2,
                            qint64 pointDate)
{
    sqlite3_stmt *st = nullptr;
    if (sqlite3_prepare_v2(m_db,
                           "insert into kelvantis (serialno, channel1, channel2, pointDate)"
                           " values (?, ?, ?, ?)",
                           -1, &st, nullptr) != SQLITE_OK)
        return false;
    sqlite3_bind_text(st, 1, serialNo.constData(), serialNo.size(), SQLITE_TRANSIENT);
    bindValue(st, 2, channel1);
    bindValue(st, 3, channel2);
    sqlite3_bind_int64(st, 4, pointDate);
    const int rc = sqlite3_step(st);
    sqlite3_finalize(st);
    return rc == SQLITE_DONE;
}

bool SpoolWriter::createEvents()
{
    return exec(StoreSchema::Events::CreateStatement);
}

bool SpoolWriter::addEvent(qint64 time, const QByteArray &kind, const QByteArray &serialNo,
                           int channel, const QByteArray &detail)
{
    sqlite3_stmt *st = nullptr;
    if (sqlite3_prepare_v2(m_db,
                           "insert into events (eventTime, kind, serialno, channel, detail)"
                           " values (?, ?, ?, ?, ?)",
                           -1, &st, nullptr) != SQLITE_OK)
        return false;
    sqlite3_bind_int64(st, 1, time);
    sqlite3_bind_text(st, 2, kind.constData(), kind.size(), SQLITE_TRANSIENT);
    sqlite3_bind_text(st, 3, serialNo.constData(), serialNo.size(), SQLITE_TRANSIENT);
    sqlite3_bind_int(st, 4, channel);
    sqlite3_bind_text(st, 5, detail.constData(), detail.size(), SQLITE_TRANSIENT);
    const int rc = sqlite3_step(st);
    sqlite3_finalize(st);
    return rc == SQLITE_DONE;
}

bool SpoolWriter::setRepeats(qint64 id, int repeats)
{
    sqlite3_stmt *st = nullptr;
    if (sqlite3_prepare_v2(m_db, "update events set repeats = ? where id = ?", -1, &st, nullptr) !=
        SQLITE_OK)
        return false;
    sqlite3_bind_int(st, 1, repeats);
    sqlite3_bind_int64(st, 2, id);
    const int rc = sqlite3_step(st);
    sqlite3_finalize(st);
    return rc == SQLITE_DONE;
}

qint64 SpoolWriter::count()
{
    sqlite3_stmt *st = nullptr;
    sqlite3_prepare_v2(m_db, "select count(*) from kelvantis", -1, &st, nullptr);
    const qint64 n = sqlite3_step(st) == SQLITE_ROW ? sqlite3_column_int64(st, 0) : -1;
    sqlite3_finalize(st);
    return n;
}

qint64 SpoolWriter::lastId() const
{
    return sqlite3_last_insert_rowid(m_db);
}
