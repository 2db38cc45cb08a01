#include "DatabaseWriteLock.h"

#include <sqlite3.h>

namespace {
// The writer may be inside a transaction of its own just then.
constexpr int BusyTimeoutMs = 10000;
} // namespace

DatabaseWriteLock::DatabaseWriteLock(const QString &path)
{
    if (sqlite3_open_v2(path.toUtf8().constData(), &m_db, SQLITE_OPEN_READWRITE, nullptr) !=
        SQLITE_OK)
        return;
    sqlite3_busy_timeout(m_db, BusyTimeoutMs);
    m_locked = sqlite3_exec(m_db, "begin immediate", nullptr, nullptr, nullptr) == SQLITE_OK;
}

DatabaseWriteLock::~DatabaseWriteLock()
{
    release();
}

void DatabaseWriteLock::release()
{
    if (m_locked)
        sqlite3_exec(m_db, "rollback", nullptr, nullptr, nullptr);
    m_locked = false;
    sqlite3_close(m_db);
    m_db = nullptr;
}
