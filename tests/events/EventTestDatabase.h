#pragma once

#include "events/EventRecord.h"
#include "store/StoreSchema.h"

#include <QString>

#include <sqlite3.h>

#include <optional>

// A project database made by a test: the readings table, optionally the
// event log, rows written straight through SQLite.
class EventTestDatabase
{
public:
    explicit EventTestDatabase(const QString &path)
    {
        sqlite3_open_v2(path.toUtf8().constData(), &m_db,
                        SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    }
    ~EventTestDatabase() { sqlite3_close(m_db); }
    EventTestDatabase(const EventTestDatabase &) = delete;
    EventTestDatabase &operator=(const EventTestDatabase &) = delete;

    bool exec(const char *sql) { return sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr) == 0; }
    bool createReadings() { return exec(StoreSchema::Readings::CreateStatement); }
    bool createEvents()
    {
        return exec(StoreSchema::Events::CreateStatement) &&
               exec(StoreSchema::Events::CreateTimeIndex);
    }

    bool insert(const EventRecord &e)
    {
        sqlite3_stmt *s = nullptr;
        const char *sql = "insert into events (eventTime, kind, serialno, channel, value, "
                          "limitValue, detail, repeats) values (?, ?, ?, ?, ?, ?, ?, ?)";
        const QByteArray kind = e.kind.toUtf8();
        const QByteArray serial = e.serialNo.toUtf8();
        const QByteArray detail = e.detail.toUtf8();
        bool ok = sqlite3_prepare_v2(m_db, sql, -1, &s, nullptr) == SQLITE_OK;
        ok = ok && sqlite3_bind_int64(s, 1, e.time) == SQLITE_OK;
        ok = ok && sqlite3_bind_text(s, 2, kind.constData(), -1, SQLITE_STATIC) == SQLITE_OK;
        ok = ok && sqlite3_bind_text(s, 3, serial.constData(), -1, SQLITE_STATIC) == SQLITE_OK;
        ok = ok && sqlite3_bind_int(s, 4, e.channel) == SQLITE_OK;
        ok = ok && bindNumber(s, 5, e.value) && bindNumber(s, 6, e.limit);
        ok = ok && sqlite3_bind_text(s, 7, detail.constData(), -1, SQLITE_STATIC) == SQLITE_OK;
        ok = ok && sqlite3_bind_int(s, 8, e.repeats) == SQLITE_OK;
        ok = ok && sqlite3_step(s) == SQLITE_DONE;
        sqlite3_finalize(s);
        return ok;
    }

    bool insertReading(const QString &serial, std::optional<double> ch1, std::optional<double> ch2,
                       qint64 time)
    {
        sqlite3_stmt *s = nullptr;
        const char *sql =
            "insert into kelvantis (serialno, channel1, channel2, pointDate) values (?, ?, ?, ?)";
        const QByteArray serialText = serial.toUtf8();
        bool ok = sqlite3_prepare_v2(m_db, sql, -1, &s, nullptr) == SQLITE_OK;
        ok = ok && sqlite3_bind_text(s, 1, serialText.constData(), -1, SQLITE_STATIC) == SQLITE_OK;
        ok = ok && bindNumber(s, 2, ch1) && bindNumber(s, 3, ch2);
        ok = ok && sqlite3_bind_int64(s, 4, time) == SQLITE_OK;
        ok = ok && sqlite3_step(s) == SQLITE_DONE;
        sqlite3_finalize(s);
        return ok;
    }

private:
    static bool bindNumber(sqlite3_stmt *s, int column, std::optional<double> v)
    {
        return (v ? sqlite3_bind_double(s, column, *v) : sqlite3_bind_null(s, column)) == SQLITE_OK;
    }

    sqlite3 *m_db = nullptr;
};
