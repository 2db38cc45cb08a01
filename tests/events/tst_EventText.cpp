#include "events/EventDetail.h"
#include "events/EventNames.h"
#include "events/EventText.h"

#include <QtTest>

#include <ctime>

namespace {
QString unitText(int code, const QString &custom)
{
    return code == 1 ? QStringLiteral("\u00b0C") : code == 4 ? custom : QString();
}

EventNames names()
{
    DeviceSettings freezer;
    freezer.deviceNumber = QStringLiteral("KV1");
    freezer.deviceName = QStringLiteral("Freezer");
    freezer.ch1Name = QStringLiteral("Inside");
    freezer.ch1Unit = 1;
    freezer.ch2Unit = 4;
    freezer.ch2Custom = QStringLiteral("kPa");
    DeviceSettings unnamed;
    unnamed.deviceNumber = QStringLiteral("024B56000002");
    return EventNames({freezer, unnamed}, &unitText);
}

EventRecord alarm(const QString &kind, std::optional<double> value, std::optional<double> limit)
{
    EventRecord e = EventRecord::of(0, kind, QStringLiteral("KV1"), 1);
    e.value = value;
    e.limit = limit;
    return e;
}
} // namespace

// The event log in words.
class TestEventText : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        // Five hours behind UTC all year: local times are known.
        qputenv("TZ", "EST5");
        tzset();
    }

    void everyKindHasATitle()
    {
        const QList<QLatin1String> all{
            EventKind::AlarmBegin,     EventKind::AlarmEnd,     EventKind::Ack,
            EventKind::CommLost,       EventKind::CommBack,     EventKind::RecordStart,
            EventKind::RecordStop,     EventKind::RecordResume, EventKind::WriteFailed,
            EventKind::WriteRecovered, EventKind::DiskWarning,  EventKind::SizeWarning,
            EventKind::SizeStop,       EventKind::ConfigChange, EventKind::ServerLost,
            EventKind::ServerBack,     EventKind::NotifyFailed};
        QSet<QString> titles;
        for (const QLatin1String &kind : all) {
            const QString title = EventText::title(kind);
            QVERIFY2(title != kind && !title.isEmpty(), kind.data());
            titles.insert(title);
        }
        QCOMPARE(titles.size(), all.size());
        QCOMPARE(EventText::title(EventKind::RecordResume),
                 QStringLiteral("Recording resumed after an unexpected end"));
        // Written by a newer recorder: shown as stored rather than hidden.
        QCOMPARE(EventText::title(QStringLiteral("door_open")), QStringLiteral("door_open"));
    }

    void timesAreLocal()
    {
        QCOMPARE(EventText::time(0), QStringLiteral("1969-12-31 19:00:00"));
        QCOMPARE(EventText::time(1765197486), QStringLiteral("2025-12-08 07:38:06"));
    }

    void namesFallBackToNumbers()
    {
        const EventNames n = names();
        QCOMPARE(n.device("KV1"), QStringLiteral("Freezer"));
        QCOMPARE(n.device("024B56000002"), QStringLiteral("024B56000002"));
        QCOMPARE(n.device("GONE"), QStringLiteral("GONE"));
        QCOMPARE(n.channel("KV1", 1), QStringLiteral("Inside"));
        QCOMPARE(n.channel("KV1", 2), QStringLiteral("CH2"));
        QCOMPARE(n.channel("KV1", 0), QString());
        QCOMPARE(n.unit("KV1", 2), QStringLiteral("kPa"));
        QCOMPARE(n.unit("GONE", 1), QString());
        QCOMPARE(n.subject("KV1", 1), QStringLiteral("Freezer / Inside"));
        QCOMPARE(n.subject("KV1", 0), QStringLiteral("Freezer"));
        QCOMPARE(n.subject(QString(), 0), QString());
        QCOMPARE(EventNames().unit("KV1", 1), QString());
    }

    void alarmsSayWhichLimitWasCrossed()
    {
        const EventNames n = names();
        const EventRecord above = alarm(EventKind::AlarmBegin, 31.2, 30.0);
        QCOMPARE(EventText::value(above, n), QStringLiteral("31.20 \u00b0C"));
        QCOMPARE(EventText::limit(above, n), QStringLiteral("30.00 \u00b0C"));
        QCOMPARE(EventText::note(above), QStringLiteral("above the upper limit"));
        QCOMPARE(EventText::sentence(above, n),
                 QStringLiteral("1969-12-31 19:00:00 Freezer / Inside: Alarm, 31.20 \u00b0C "
                                "(limit 30.00 \u00b0C), above the upper limit"));
        QCOMPARE(EventText::note(alarm(EventKind::AlarmBegin, -20.5, -18.0)),
                 QStringLiteral("below the lower limit"));

        EventRecord end = alarm(EventKind::AlarmEnd, std::nullopt, 30.0);
        end.repeats = 12;
        QCOMPARE(EventText::value(end, n), QString());
        QCOMPARE(EventText::note(end), QStringLiteral("no reading; in and out of alarm 12 times"));
        end.value = 29.5;
        QCOMPARE(EventText::note(end), QStringLiteral("in and out of alarm 12 times"));
    }

    void changesReadAsOldAndNew()
    {
        const auto note = [](const QString &field, const QJsonValue &o, const QJsonValue &n) {
            EventRecord e = EventRecord::of(0, EventKind::ConfigChange);
            e.detail = EventDetail::change(field, o, n);
            return EventText::note(e);
        };
        QCOMPARE(note("DataInterval", 1000, 300000),
                 QStringLiteral("Interval changed from 1 sec to 5 min"));
        QCOMPARE(note("DataInterval", 1000, 1234),
                 QStringLiteral("Interval changed from 1 sec to 1234 ms"));
        QCOMPARE(note("ch1_max", 30.1, 32),
                 QStringLiteral("Upper limit changed from 30.10 to 32.00"));
        QCOMPARE(note("ch2_min", 0, -5.5),
                 QStringLiteral("Lower limit changed from 0.00 to -5.50"));
        QCOMPARE(note("ch1_unit", 1, 3),
                 QStringLiteral("Unit changed from Temperature(C) to Humidity"));
        QCOMPARE(note("DeviceName", QString(), "Freezer"),
                 QStringLiteral("Device name changed from (none) to \"Freezer\""));
        QCOMPARE(note("buzzerAlarm", "OFF", "ON"),
                 QStringLiteral("Device buzzer changed from \"OFF\" to \"ON\""));
        QCOMPARE(note("device", QJsonValue(), "Freezer"), QStringLiteral("Device added"));
        QCOMPARE(note("device", "Freezer", QJsonValue()), QStringLiteral("Device removed"));
    }

    void otherDetails()
    {
        const EventNames n = names();
        EventRecord ack = EventRecord::of(0, EventKind::Ack);
        ack.detail = EventDetail::user(QStringLiteral("anna"));
        QCOMPARE(EventText::sentence(ack, n),
                 QStringLiteral("1969-12-31 19:00:00 Alarm acknowledged, by anna"));

        EventRecord resume = EventRecord::of(3600, EventKind::RecordResume);
        resume.detail = EventDetail::lastReading(1800);
        QCOMPARE(EventText::sentence(resume, n),
                 QStringLiteral("1969-12-31 20:00:00 Recording resumed after an unexpected end, "
                                "last stored reading 1969-12-31 19:30:00"));

        EventRecord failed = EventRecord::of(0, EventKind::WriteFailed);
        failed.detail = EventDetail::error(QStringLiteral("database is locked"));
        QCOMPARE(EventText::note(failed), QStringLiteral("database is locked"));

        EventRecord disk = EventRecord::of(0, EventKind::DiskWarning);
        disk.value = 512.0 * 1048576;
        disk.limit = 1024.0 * 1048576;
        QCOMPARE(EventText::value(disk, n), QStringLiteral("512.00 MB"));
        QCOMPARE(EventText::limit(disk, n), QStringLiteral("1024.00 MB"));

        // Not JSON at all: nothing to add, nothing broken.
        EventRecord odd = EventRecord::of(0, EventKind::RecordStop);
        odd.detail = QStringLiteral("{oops");
        QCOMPARE(EventText::note(odd), QString());
        QCOMPARE(EventText::sentence(EventRecord::of(0, EventKind::CommLost, "024B56000002"), n),
                 QStringLiteral("1969-12-31 19:00:00 024B56000002: Device not answering"));
    }
};

QTEST_GUILESS_MAIN(TestEventText)
#include "tst_EventText.moc"
