#pragma once

#include "ReadingsBlocks.h"
#include "StoreBatch.h"

#include <QObject>
#include <QString>

class QSqlDatabase;
class QSqlError;

// Writes the recorder's readings, and the event-log entries that go with
// them, into the project's SQLite database. It lives on the store thread
// (StoreWorker); the calls below also work on their own, one thread at a time.
class InsertSerialData : public QObject
{
    Q_OBJECT
public:
    enum class Outcome
    {
        Written,
        Busy,  // another connection holds the write lock; try again later
        Failed // the database refused the batch
    };

    // SQLite refuses compound selects of more than 500 terms.
    static constexpr int MaxRowsPerStatement = 500;
    // How long one write waits for a lock another program holds. The writer
    // runs off the window's thread, so this only paces the retries.
    static constexpr int BusyTimeoutMs = 500;
    // The pause before the block summary's build tries a busy file again.
    static constexpr int BuildRetryMs = 2000;

    InsertSerialData(const QString &databasePath, const QString &connectionPrefix,
                     QObject *parent = nullptr);
    ~InsertSerialData() override;

    bool createConnection();
    bool setPragmas();
    bool createTable();
    // One transaction for the readings and the events of the batch; nothing
    // of it is stored when any part fails.
    Outcome write(const StoreBatch &batch, QString *error = nullptr);
    quint64 startDateTime();
    quint64 endDateTime();

    bool isOpened() const { return m_opened; }
    QString databasePath() const { return m_databasePath; }
    QString connectionName() const;

    // The same as the calls above, answered by signals: the store thread's
    // side. open() also starts the block summary's build, a step at a time
    // between the batches.
    void open();
    void writeBatch(const StoreBatch &batch);

signals:
    void opened(bool ok, quint64 firstTime, quint64 lastTime);
    void batchWritten(int readings, int events);
    void batchWaiting(const StoreBatch &batch, const QString &reason);
    void batchFailed(const StoreBatch &batch, const QString &reason);

private:
    bool exec(QSqlDatabase &db, const QString &statement, QString *error);
    bool createEventTable(QSqlDatabase &db, QString *error);
    bool insertReadings(QSqlDatabase &db, const QVector<PendingRow> &rows, int first, int count,
                        QString *error);
    bool insertEvents(QSqlDatabase &db, const QVector<EventRecord> &events, QString *error);
    quint64 selectTime(const char *function, const QString &statement);
    static bool isLockError(const QSqlError &error);
    void buildBlocks();

    bool m_opened = false;
    // A database another program held locked at the open gets its event
    // table with the first batch of events.
    bool m_eventTableReady = false;
    bool m_lastErrorWasLock = false;
    QString m_databasePath;
    QString m_connectionPrefix;
    ReadingsBlocks m_blocks;
};
