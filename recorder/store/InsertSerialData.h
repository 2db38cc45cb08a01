#pragma once

#include "PendingRow.h"

#include <QObject>
#include <QString>

class QSqlDatabase;

// Writes the buffered readings of the recorder into the project's SQLite
// database. Devices drop rows into one process-wide buffer through append();
// the recording control flushes it with insertNow().
class InsertSerialData : public QObject
{
    Q_OBJECT
public:
    InsertSerialData(const QString &databasePath, const QString &connectionPrefix,
                     QObject *parent = nullptr);
    ~InsertSerialData() override;

    bool createConnection();
    bool setPragmas();
    bool createTable();
    // Writes the buffered rows of this database; true when nothing is left
    // for it. Rows of a failed batch stay queued, in order, for the next call.
    bool insertNow();
    quint64 startDateTime();
    quint64 endDateTime();

    bool isOpened() const { return m_opened; }
    QString databasePath() const { return m_databasePath; }
    QString connectionName() const;

    static void append(const PendingRow &row);
    static int pendingCount();
    // The buffered rows of this writer's database.
    int ownPendingCount() const;
    // Drops them, for a project closed while its database stays unwritable;
    // returns how many were dropped.
    int discardOwnPending();
    // Drops every buffered row; for tests and for a process that ends.
    static void clearPending();

    // SQLite refuses compound selects of more than 500 terms.
    static constexpr int MaxRowsPerStatement = 500;

private:
    static bool isWritable(QSqlDatabase &db);
    bool insertChunk(QSqlDatabase &db, int first, int count);
    quint64 selectTime(const char *function, const QString &statement);

    bool m_opened = false;
    QString m_databasePath;
    QString m_connectionPrefix;
};
