// The recording session without a window, and its database writer on the
// store thread.
#include "DatabaseWriteLock.h"
#include "TestProject.h"
#include "control/RecordingSession.h"
#include "device/ConfiguredDevice.h"
#include "store/StoreWorker.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

namespace {

int count(const QString &path, const QString &table = QStringLiteral("kelvantis"))
{
    int rows = -1;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "count");
        db.setDatabaseName(path);
        QSqlQuery q(db);
        if (db.open() && q.exec("select count(*) from " + table) && q.next())
            rows = q.value(0).toInt();
    }
    QSqlDatabase::removeDatabase("count");
    return rows;
}

EventRecord logEntry(qint64 time, const QLatin1String &kind)
{
    EventRecord e;
    e.time = time;
    e.kind = kind;
    return e;
}

} // namespace

class TestRecordingSession : public QObject
{
    Q_OBJECT
private:
    QTemporaryDir m_dir;
    int m_next = 0;
    QString freshPath() { return m_dir.filePath(QStringLiteral("s%1.dat").arg(++m_next)); }

    // A session recording one LAN device that never answers.
    bool openSession(RecordingSession &session, const QString &path)
    {
        session.loadDevices({TestProject::lanDevice("S1")});
        session.open(path);
        return QTest::qWaitFor([&] { return session.isStoreOpen(); }, 10000);
    }

private slots:
    void initTestCase() { qRegisterMetaType<StoreBatch>(); }

    void storeWorkerAnswersEveryBatch()
    {
        const QString path = freshPath();
        StoreWorker store(path, "w1");
        QSignalSpy opened(&store, &StoreWorker::opened);
        QSignalSpy written(&store, &StoreWorker::written);
        QSignalSpy waiting(&store, &StoreWorker::waiting);
        QSignalSpy failed(&store, &StoreWorker::failed);
        store.open();
        QTRY_COMPARE(opened.count(), 1);
        QCOMPARE(opened.at(0), (QList<QVariant>{true, quint64(0), quint64(0)}));

        StoreBatch batch;
        batch.readings = {{"S1", 1, 2, 100}, {"S1", 3, 4, 110}};
        batch.events = {logEntry(105, EventKind::RecordStart)};
        store.submit(batch);
        QTRY_COMPARE(written.count(), 1);
        QCOMPARE(written.at(0), (QList<QVariant>{2, 1}));

        {
            DatabaseWriteLock lock(path);
            QVERIFY(lock.locked());
            batch.readings = {{"S1", 5, 6, 120}};
            store.submit(batch);
            QTRY_COMPARE(waiting.count(), 1);
            const StoreBatch back = waiting.at(0).at(0).value<StoreBatch>();
            QCOMPARE(back.readings.size(), 1);
            QCOMPARE(back.readings.at(0).pointDate, quint32(120));
            QCOMPARE(back.events, batch.events);
        }
        store.submit(batch);
        QTRY_COMPARE(written.count(), 2);
        QCOMPARE(count(path), 3);
        QCOMPARE(count(path, "events"), 2);

        // A refusal that waiting does not cure.
        {
            QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "trigger");
            db.setDatabaseName(path);
            QVERIFY(db.open());
            QVERIFY(QSqlQuery(db).exec("create trigger refuse before insert on kelvantis begin "
                                       "select raise(abort, 'refused'); end"));
            db.close();
        }
        QSqlDatabase::removeDatabase("trigger");
        store.submit(batch);
        QTRY_COMPARE(failed.count(), 1);
        QVERIFY(failed.at(0).at(1).toString().contains("refused"));
        QCOMPARE(failed.at(0).at(0).value<StoreBatch>().readings.size(), 1);
        QCOMPARE(waiting.count(), 1);
    }

    void storeWorkerReportsADatabaseItCannotOpen()
    {
        const QString path = freshPath();
        {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(QByteArray("not a database\n").repeated(100));
        }
        StoreWorker store(path, "w2");
        QSignalSpy opened(&store, &StoreWorker::opened);
        store.open();
        QTRY_COMPARE(opened.count(), 1);
        QCOMPARE(opened.at(0).at(0).toBool(), false);
    }

    void batchesWaitForTheThresholdAndTheStopHandsOverTheRest()
    {
        const QString path = freshPath();
        RecordingSession session;
        QVERIFY(openSession(session, path));
        session.startRecording();
        QVERIFY(session.flushTimer()->isActive());
        for (quint32 t = 1; t <= 7; ++t)
            session.appendReading({"S1", 1, 2, t});
        session.flush();
        QCOMPARE(session.waitingReadings(), 7);
        session.appendReading({"S1", 1, 2, 8});
        session.flush();
        QTRY_COMPARE(count(path), 8);
        QTRY_COMPARE(session.waitingReadings(), 0);

        // The stop hands over at once, with the device's gap row, and an
        // event goes in the same transaction.
        session.appendReading({"S1", 1, 2, 9});
        session.appendEvent(logEntry(9, EventKind::RecordStop));
        session.stopRecording();
        QTRY_COMPARE(count(path), 10);
        QCOMPARE(count(path, "events"), 1);
        QTRY_COMPARE(session.waitingReadings(), 0);
        session.flush();
        QVERIFY(!session.flushTimer()->isActive());
    }

    void troubleIsReportedAndClearedWhenTheReadingsAreWritten()
    {
        const QString path = freshPath();
        RecordingSession session;
        QVERIFY(openSession(session, path));
        QSignalSpy trouble(&session, &RecordingSession::storeTrouble);
        QSignalSpy recovered(&session, &RecordingSession::storeRecovered);
        session.startRecording();
        for (quint32 t = 1; t <= 8; ++t)
            session.appendReading({"S1", 1, 2, t});
        DatabaseWriteLock lock(path);
        QVERIFY(lock.locked());
        session.flush();
        QTRY_COMPARE(trouble.count(), 1);
        QCOMPARE(trouble.at(0), (QList<QVariant>{8, true}));
        QCOMPARE(session.waitingReadings(), 8);
        lock.release();
        // The flush timer tries again.
        QTRY_COMPARE_WITH_TIMEOUT(recovered.count(), 1, 10000);
        QCOMPARE(count(path), 8);
        QCOMPARE(session.waitingReadings(), 0);
        session.stopRecording();
    }

    // With nothing to write a close ends at once, also while the database
    // is still being opened; a later writer is not confused by the answers
    // of one that is gone.
    void closeWithNothingWaitingEndsAtOnce()
    {
        RecordingSession session;
        QSignalSpy closed(&session, &RecordingSession::closed);
        session.loadDevices({TestProject::lanDevice("S1")});
        QPointer<ConfiguredDevice> device = session.devices().at(0);
        session.open(freshPath());
        session.close(false);
        QCOMPARE(closed.count(), 1);
        QCOMPARE(closed.at(0).at(0).toInt(), 0);
        QVERIFY(!session.isClosing());
        QVERIFY(!session.isOpen());
        QVERIFY(!device);

        const QString second = freshPath();
        QVERIFY(openSession(session, second));
        QTest::qWait(50);
        QVERIFY(session.isStoreOpen());
        session.startRecording();
        session.appendReading({"S1", 1, 1, 1});
        session.stopRecording();
        QTRY_COMPARE(count(second), 2);
        QTRY_COMPARE(session.waitingReadings(), 0);
        // Devices kept for the configuration panel.
        session.close(true);
        QCOMPARE(closed.count(), 2);
        QCOMPARE(session.devices().size(), 1);
    }

    void closeWaitsForTheReadingsOrDropsThemWhenGivenUp()
    {
        const QString path = freshPath();
        RecordingSession session;
        QVERIFY(openSession(session, path));
        QSignalSpy waiting(&session, &RecordingSession::closeWaiting);
        QSignalSpy closed(&session, &RecordingSession::closed);
        session.startRecording();
        for (quint32 t = 1; t <= 3; ++t)
            session.appendReading({"S1", 1, 2, t});
        {
            DatabaseWriteLock lock(path);
            QVERIFY(lock.locked());
            session.close(false);
            QVERIFY(session.isClosing());
            QCOMPARE(waiting.last().at(0).toInt(), 4);
            QVERIFY(!session.isRecording());
            // Tried again and again while the lock holds.
            QTRY_VERIFY_WITH_TIMEOUT(waiting.count() >= 3, 10000);
            QCOMPARE(closed.count(), 0);
        }
        QTRY_COMPARE_WITH_TIMEOUT(closed.count(), 1, 10000);
        QCOMPARE(closed.at(0).at(0).toInt(), 0);
        QCOMPARE(count(path), 4);
        QVERIFY(session.devices().isEmpty());

        QVERIFY(openSession(session, path));
        session.startRecording();
        session.appendReading({"S1", 7, 7, 70});
        DatabaseWriteLock lock(path);
        QVERIFY(lock.locked());
        session.close(false);
        session.giveUp();
        QTRY_COMPARE_WITH_TIMEOUT(closed.count(), 2, 10000);
        QCOMPARE(closed.at(1).at(0).toInt(), 2);
        QCOMPARE(session.waitingReadings(), 0);
        lock.release();
        QCOMPARE(count(path), 4);
    }
};

QTEST_MAIN(TestRecordingSession)
#include "tst_RecordingSession.moc"
