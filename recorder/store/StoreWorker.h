#pragma once

#include "StoreBatch.h"

#include <QObject>
#include <QString>

class InsertSerialData;
class QThread;

// The project database's writer on a thread of its own, so that a database
// another program holds locked never stalls the window. Batches are handed
// over by queued calls and answered one by one: written, waiting (the
// database is busy) or failed; a batch that was not written comes back whole.
class StoreWorker : public QObject
{
    Q_OBJECT
public:
    StoreWorker(const QString &databasePath, const QString &connectionPrefix,
                QObject *parent = nullptr);
    // Ends the thread; a write under way is finished first.
    ~StoreWorker() override;
    // Ends the thread after the call under way, without waiting for it, and
    // deletes this once it has ended; answers still to come are dropped.
    void retire();

    QString databasePath() const { return m_databasePath; }

    // Opens and prepares the database; answered by opened().
    void open();
    void submit(const StoreBatch &batch);

signals:
    void opened(bool ok, quint64 firstTime, quint64 lastTime);
    void written(int readings, int events);
    void waiting(const StoreBatch &batch, const QString &reason);
    void failed(const StoreBatch &batch, const QString &reason);

private:
    QString m_databasePath;
    QThread *m_thread = nullptr;
    InsertSerialData *m_writer = nullptr;
};
