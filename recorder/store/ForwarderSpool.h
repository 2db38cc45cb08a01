#pragma once

#include <QByteArray>
#include <QString>

#include <vector>

struct sqlite3;
struct sqlite3_stmt;

// Reads the project's SQLite database (the spool) for the forwarder, on the
// forwarder's thread, while the recorder writes it from another: opened
// read-only, every statement is reset at once so that no read holds the WAL
// back, and nothing is ever written.
class ForwarderSpool
{
public:
    struct Reading
    {
        qint64 id = 0;
        QByteArray serialNo; // as stored (not necessarily valid UTF-8)
        bool null1 = true;
        bool null2 = true;
        double channel1 = 0;
        double channel2 = 0;
        qint64 pointDate = 0;

        bool operator==(const Reading &o) const;
    };
    struct Event
    {
        qint64 id = 0;
        qint64 time = 0;
        QByteArray kind;
        QByteArray serialNo;
        int channel = 0;
        bool hasValue = false;
        double value = 0;
        bool hasLimit = false;
        double limit = 0;
        QByteArray detail;
        int repeats = 1;
    };

    explicit ForwarderSpool(const QString &path);
    ~ForwarderSpool();
    ForwarderSpool(const ForwarderSpool &) = delete;
    ForwarderSpool &operator=(const ForwarderSpool &) = delete;

    // False while the file or its readings table does not exist yet.
    bool open(QString *error);
    bool isOpen() const { return m_db != nullptr; }
    void close();

    // Readings with id > afterId, in id order, at most limit.
    bool readings(qint64 afterId, int limit, std::vector<Reading> *out, QString *error);
    // The reading with this id; found false when there is none.
    bool readingAt(qint64 id, Reading *out, bool *found, QString *error);
    // Readings with id > afterId; -1 on error.
    qint64 countAfter(qint64 afterId, QString *error);

    // Whether the event log table exists (looked up again until it does).
    bool hasEvents();
    bool events(qint64 afterId, int limit, std::vector<Event> *out, QString *error);

private:
    bool prepare(sqlite3_stmt **statement, const char *sql, QString *error);
    QString lastError() const;

    QString m_path;
    sqlite3 *m_db = nullptr;
    sqlite3_stmt *m_readings = nullptr;
    sqlite3_stmt *m_readingAt = nullptr;
    sqlite3_stmt *m_count = nullptr;
    sqlite3_stmt *m_events = nullptr;
    bool m_hasEvents = false;
};
