#include "StoreWorker.h"

#include "InsertSerialData.h"
#include "StoreLogging.h"

#include <QThread>

StoreWorker::StoreWorker(const QString &databasePath, const QString &connectionPrefix,
                         QObject *parent)
    : QObject(parent), m_databasePath(databasePath), m_thread(new QThread(this))
{
    qRegisterMetaType<StoreBatch>();
    m_thread->setObjectName(QStringLiteral("store"));
    // Made without a parent to move it to the thread, which deletes it as it
    // ends, so that its connection closes on the thread that opened it.
    m_writer = new InsertSerialData(databasePath, connectionPrefix);
    m_writer->moveToThread(m_thread);
    connect(m_thread, &QThread::finished, m_writer, &QObject::deleteLater);
    connect(m_writer, &InsertSerialData::opened, this, &StoreWorker::opened);
    connect(m_writer, &InsertSerialData::batchWritten, this, &StoreWorker::written);
    connect(m_writer, &InsertSerialData::batchWaiting, this, &StoreWorker::waiting);
    connect(m_writer, &InsertSerialData::batchFailed, this, &StoreWorker::failed);
    m_thread->start();
}

StoreWorker::~StoreWorker()
{
    m_thread->quit();
    m_thread->wait();
    qCDebug(lcStore) << "StoreWorker::~StoreWorker :" << m_databasePath;
}

void StoreWorker::retire()
{
    disconnect(m_writer, nullptr, this, nullptr);
    connect(m_thread, &QThread::finished, this, &QObject::deleteLater);
    m_thread->quit();
}

void StoreWorker::open()
{
    InsertSerialData *writer = m_writer;
    QMetaObject::invokeMethod(
        writer, [writer] { writer->open(); }, Qt::QueuedConnection);
}

void StoreWorker::submit(const StoreBatch &batch)
{
    InsertSerialData *writer = m_writer;
    QMetaObject::invokeMethod(
        writer, [writer, batch] { writer->writeBatch(batch); }, Qt::QueuedConnection);
}
