#include "EventTestDatabase.h"
#include "events/EventDetail.h"
#include "events/EventReader.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {
QStringList kinds(const QVector<EventRecord> &events)
{
    QStringList list;
    for (const EventRecord &e : events)
        list << e.kind + QLatin1Char('@') + QString::number(e.time);
    return list;
}
} // namespace

// The event log read back from a project's database, read-only.
class TestEventReader : public QObject
{
    Q_OBJECT
private:
    QTemporaryDir m_dir;

    QString logWithEvents() const { return m_dir.filePath(QStringLiteral("log.dat")); }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        EventTestDatabase db(logWithEvents());
        QVERIFY(db.createReadings());
        QVERIFY(db.createEvents());
        EventRecord alarm = EventRecord::of(1000, EventKind::AlarmBegin, "KV1", 1);
        alarm.value = 31.25;
        alarm.limit = 30.0;
        QVERIFY(db.insert(alarm));
        QVERIFY(db.insert(EventRecord::of(900, EventKind::RecordStart)));
        EventRecord flapped = EventRecord::of(1100, EventKind::AlarmEnd, "KV1", 1);
        flapped.limit = 30.0;
        flapped.repeats = 7;
        QVERIFY(db.insert(flapped));
        EventRecord ack = EventRecord::of(1100, EventKind::Ack);
        ack.detail = EventDetail::user(QStringLiteral("anna"));
        QVERIFY(db.insert(ack)); // the same second, written later
        QVERIFY(db.insert(EventRecord::of(1200, EventKind::CommLost, "KV2")));
        QVERIFY(db.insert(EventRecord::of(1300, EventKind::CommBack, "KV2")));
    }

    void readsEveryFieldNewestOrOldestFirst()
    {
        EventReader reader(logWithEvents());
        QVector<EventRecord> events;
        QVERIFY2(reader.read({}, &events), qPrintable(reader.errorText()));
        QCOMPARE(kinds(events),
                 QStringList({"comm_back@1300", "comm_lost@1200", "ack@1100", "alarm_end@1100",
                              "alarm_begin@1000", "record_start@900"}));
        const EventRecord &alarm = events.at(4);
        QCOMPARE(alarm.serialNo, QStringLiteral("KV1"));
        QCOMPARE(alarm.channel, 1);
        QCOMPARE(alarm.value, std::optional<double>(31.25));
        QCOMPARE(alarm.limit, std::optional<double>(30.0));
        QCOMPARE(alarm.repeats, 1);
        QVERIFY(!events.at(3).value);
        QCOMPARE(events.at(3).repeats, 7);
        QCOMPARE(EventDetail::parse(events.at(2).detail).value("user").toString(),
                 QStringLiteral("anna"));
        QVERIFY(events.at(5).serialNo.isEmpty());

        EventReader::Query oldest;
        oldest.order = EventReader::OldestFirst;
        QVERIFY(reader.read(oldest, &events));
        QCOMPARE(kinds(events),
                 QStringList({"record_start@900", "alarm_begin@1000", "alarm_end@1100", "ack@1100",
                              "comm_lost@1200", "comm_back@1300"}));
    }

    void rangeDeviceAndLimit()
    {
        EventReader reader(logWithEvents());
        QVector<EventRecord> events;
        EventReader::Query q;
        q.from = 1000;
        q.to = 1200; // both ends belong to the range
        QVERIFY(reader.read(q, &events));
        QCOMPARE(kinds(events),
                 QStringList({"comm_lost@1200", "ack@1100", "alarm_end@1100", "alarm_begin@1000"}));
        q.serialNo = QStringLiteral("KV1");
        QVERIFY(reader.read(q, &events));
        QCOMPARE(kinds(events), QStringList({"alarm_end@1100", "alarm_begin@1000"}));
        q = EventReader::Query();
        q.limit = 2;
        QVERIFY(reader.read(q, &events));
        QCOMPARE(kinds(events), QStringList({"comm_back@1300", "comm_lost@1200"}));
        q.order = EventReader::OldestFirst;
        QVERIFY(reader.read(q, &events));
        QCOMPARE(kinds(events), QStringList({"record_start@900", "alarm_begin@1000"}));
        q = EventReader::Query();
        q.serialNo = QStringLiteral("nobody");
        QVERIFY(reader.read(q, &events));
        QVERIFY(events.isEmpty());

        QStringList serials;
        QVERIFY(reader.serialNumbers(&serials));
        QCOMPARE(serials, QStringList({"KV1", "KV2"}));
    }

    void fileFromBeforeTheLogHasNoEvents()
    {
        const QString path = m_dir.filePath(QStringLiteral("old.dat"));
        {
            EventTestDatabase db(path);
            QVERIFY(db.createReadings());
            QVERIFY(db.insertReading("KV1", 20.5, 40.0, 1000));
        }
        EventReader reader(path);
        QVector<EventRecord> events{EventRecord::of(1, EventKind::Ack)};
        QVERIFY(reader.read({}, &events));
        QVERIFY(events.isEmpty());
        QStringList serials{"x"};
        QVERIFY(reader.serialNumbers(&serials));
        QVERIFY(serials.isEmpty());
        QVERIFY(reader.errorText().isEmpty());
    }

    void missingOrBrokenFileIsAnErrorAndStaysUntouched()
    {
        const QString missing = m_dir.filePath(QStringLiteral("missing.dat"));
        EventReader reader(missing);
        QVector<EventRecord> events;
        QVERIFY(!reader.read({}, &events));
        QVERIFY(!reader.errorText().isEmpty());
        QVERIFY(!QFile::exists(missing)); // read-only: nothing created

        const QString broken = m_dir.filePath(QStringLiteral("broken.dat"));
        QFile f(broken);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(4096, 'x'));
        f.close();
        EventReader brokenReader(broken);
        QVERIFY(!brokenReader.read({}, &events));
        QVERIFY(!brokenReader.errorText().isEmpty());
        QStringList serials;
        QVERIFY(!brokenReader.serialNumbers(&serials));
    }

    void readsBesideAnOpenWriteTransaction()
    {
        const QString path = m_dir.filePath(QStringLiteral("busy.dat"));
        EventTestDatabase writer(path);
        QVERIFY(writer.exec("PRAGMA journal_mode = WAL"));
        QVERIFY(writer.createReadings());
        QVERIFY(writer.createEvents());
        QVERIFY(writer.insert(EventRecord::of(10, EventKind::RecordStart)));
        QVERIFY(writer.exec("begin immediate"));
        QVERIFY(writer.insert(EventRecord::of(20, EventKind::RecordStop)));

        EventReader reader(path);
        QVector<EventRecord> events;
        QVERIFY2(reader.read({}, &events), qPrintable(reader.errorText()));
        QCOMPARE(kinds(events), QStringList({"record_start@10"}));
        QVERIFY(writer.exec("commit"));
        QVERIFY(reader.read({}, &events));
        QCOMPARE(kinds(events), QStringList({"record_stop@20", "record_start@10"}));
    }
};

QTEST_GUILESS_MAIN(TestEventReader)
#include "tst_EventReader.moc"
