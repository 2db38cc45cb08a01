#pragma once

#include <QString>
#include <QStringList>

#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

class SpoolWriter;

// Fills project databases the way recorders write them (one SQLite file per
// recorder, 16 devices, batches of union inserts in a transaction every
// flush), at a given total rate. Each spool's devices advance by one second
// per reading, so a spool stands for as many recorders as its share of the
// rate needs without repeating a (device, time).
class SpoolLoad
{
public:
    explicit SpoolLoad(const QStringList &paths, int devicesPerSpool = 16);
    ~SpoolLoad();

    bool open(QString *error);
    // A backlog: rowsPerSpool readings written to each spool at once.
    bool fill(qint64 rowsPerSpool, QString *error);
    // rate readings per second over all spools for seconds, a flush every
    // flushMs; ends early when stop is set.
    bool run(double rate, double seconds, int flushMs, const std::atomic_bool &stop,
             QString *error);

    int spools() const { return int(m_spools.size()); }
    qint64 written() const;
    // When the flush that stored this id of this spool was committed (ms
    // since the epoch); -1 when unknown.
    qint64 writtenAt(int spool, qint64 id) const;

private:
    struct Spool
    {
        std::unique_ptr<SpoolWriter> writer;
        qint64 second = 1700000000;
        int device = 0;
        std::vector<std::pair<qint64, qint64>> flushes; // last id, time
    };
    void append(Spool &s, int rows);
    bool flush(Spool &s, QString *error);

    QStringList m_paths;
    int m_devices;
    std::vector<Spool> m_spools;
    mutable std::mutex m_mutex;
    std::atomic<qint64> m_written{0};
};
