#pragma once

#include <QByteArray>
#include <QString>

#include <vector>

struct sqlite3;

// Writes a project database the way the recorder does: the readings table
// made by its statement, WAL, and buffered rows flushed as one
// "insert ... select ... union select ..." statement per batch inside a
// transaction. For tests and benchmarks of the forwarder, which reads the
// file from another thread or process while this writes it.
class SpoolWriter
{
public:
    explicit SpoolWriter(const QString &path);
    ~SpoolWriter();
    SpoolWriter(const SpoolWriter &) = delete;
    SpoolWriter &operator=(const SpoolWriter &) = delete;

    bool open();
    QString errorText() const;

    // NoValue (1.7e308) is stored as NULL, as the recorder does.
    void append(const QByteArray &serialNo, double channel1, double channel2, qint64 pointDate);
    int buffered() const { return int(m_rows.size()); }
    bool flush();
    // One row in its own statement, bytes as given (a file written by some
    // other program).
    bool insertRaw(const QByteArray &serialNo, double channel1, double channel2, qint64 pointDate);

    // The event log table, and entries in it.
    bool createEvents();
    bool addEvent(qint64 time, const QByteArray &kind, const QByteArray &serialNo, int channel,
                  const QByteArray &detail);
    bool setRepeats(qint64 id, int repeats);

    qint64 count();
    // The id of the last row written.
    qint64 lastId() const;

private:
    struct Row
    {
        QByteArray serialNo;
        double channel1;
        double channel2;
        qint64 pointDate;
    };
    bool exec(const char *sql);

    QString m_path;
    sqlite3 *m_db = nullptr;
    std::vector<Row> m_rows;
};
