#pragma once

#include <QString>

struct sqlite3;

// Another connection to an SQLite file that holds its write lock from
// construction until release() or destruction, so that a test decides when
// the writer's trouble ends.
class DatabaseWriteLock
{
public:
    explicit DatabaseWriteLock(const QString &path);
    ~DatabaseWriteLock();
    DatabaseWriteLock(const DatabaseWriteLock &) = delete;
    DatabaseWriteLock &operator=(const DatabaseWriteLock &) = delete;

    bool locked() const { return m_locked; }
    void release();

private:
    sqlite3 *m_db = nullptr;
    bool m_locked = false;
};
