#pragma once

#include <QString>

class QSqlDatabase;

// Keeps the block summary of the readings (StoreSchema::Blocks) in the
// recorder's database: made when the file has none that can be trusted, with
// its triggers, reading only the newest block; the older blocks built in
// bounded steps, each a short transaction of its own; and brought up to the
// newest row within each batch's transaction, for rows that other programs
// wrote around the triggers. The summary only ever widens.
class ReadingsBlocks
{
public:
    // About 130,000 rows per step: a write lock of a fraction of a second.
    static constexpr int StepBlocks = 32;

    ReadingsBlocks(const QString &connectionName, const QString &databasePath);

    // Makes the summary in a transaction of its own unless a usable one is
    // there. False on failure; lockFailed() tells a busy database.
    bool prepare(QString *error = nullptr);
    bool isReady() const { return m_ready; }
    bool lockFailed() const { return m_lockFailed; }
    // Inside the batch's transaction: the rows past the covered row id.
    bool catchUp(QString *error = nullptr);
    // Builds up to blocks older blocks; *finished once none is left.
    bool buildStep(bool *finished, int blocks = StepBlocks, QString *error = nullptr);

private:
    bool exec(QSqlDatabase &db, const QString &statement, QString *error);
    bool integer(QSqlDatabase &db, const QString &statement, qint64 *value, QString *error);
    // Widens the blocks by the rows with ids in [firstId, lastId].
    bool merge(QSqlDatabase &db, qint64 firstId, qint64 lastId, QString *error);
    bool create(QSqlDatabase &db, QString *error);

    QString m_connectionName;
    QString m_databasePath;
    bool m_ready = false;
    bool m_lockFailed = false;
};
