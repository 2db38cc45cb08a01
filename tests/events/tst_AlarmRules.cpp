#include "control/AlarmAcknowledge.h"
#include "control/AlarmEventTracker.h"
#include "control/AlarmMonitor.h"
#include "control/AlarmSoundDecision.h"
#include "control/CommunicationWatch.h"
#include "core/NoValue.h"
#include "device/ConfiguredDevice.h"
#include "events/EventDetail.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>
#include <vector>

namespace {
QStringList kinds(const QVector<EventRecord> &events)
{
    QStringList list;
    for (const EventRecord &e : events)
        list << e.kind;
    return list;
}

// A device of the project as the rules see it; never opened.
std::unique_ptr<ConfiguredDevice> device(const QString &number, qint64 lastPoll)
{
    auto d = std::make_unique<ConfiguredDevice>(number, 2);
    d->setAlarmLimits(20, 30, 0, 80);
    d->lastTime = QDateTime::fromSecsSinceEpoch(lastPoll);
    return d;
}

void setReading(ConfiguredDevice *d, double ch1, qint64 time)
{
    d->connected = true;
    d->ch1Value = QString::number(ch1, 'f', 2);
    d->ch1Alarm = ch1 < 20 || ch1 > 30;
    d->lastTime = QDateTime::fromSecsSinceEpoch(time);
}
} // namespace

// Alarm events, flapping, acknowledge, lost devices and the alarm sound.
class TestAlarmRules : public QObject
{
    Q_OBJECT
private slots:
    void alarmBeginAndEndCarryValueAndCrossedLimit()
    {
        AlarmEventTracker t;
        auto r = t.observe("KV1", 1, true, 31.5, 20, 30, 1000);
        QVERIFY(r.newAlarm);
        QCOMPARE(r.events.size(), 1);
        QCOMPARE(r.events[0].kind, QString(EventKind::AlarmBegin));
        QCOMPARE(r.events[0].serialNo, QStringLiteral("KV1"));
        QCOMPARE(r.events[0].channel, 1);
        QCOMPARE(r.events[0].value, std::optional<double>(31.5));
        QCOMPARE(r.events[0].limit, std::optional<double>(30.0));
        QCOMPARE(r.events[0].time, qint64(1000));
        // Seen again on later ticks: nothing new.
        QVERIFY(t.observe("KV1", 1, true, 31.6, 20, 30, 1000).events.isEmpty());
        QVERIFY(t.anyInAlarm());

        // Back in range: the end waits a minute for a possible return.
        QVERIFY(t.observe("KV1", 1, false, 29.0, 20, 30, 1010).events.isEmpty());
        QVERIFY(!t.anyInAlarm());
        QVERIFY(!t.anySounding());
        QVERIFY(t.releaseDue(1069).isEmpty());
        const QVector<EventRecord> ends = t.releaseDue(1070);
        QCOMPARE(ends.size(), 1);
        QCOMPARE(ends[0].kind, QString(EventKind::AlarmEnd));
        QCOMPARE(ends[0].time, qint64(1010));
        QCOMPARE(ends[0].value, std::optional<double>(29.0));
        QCOMPARE(ends[0].limit, std::optional<double>(30.0));
        QCOMPARE(ends[0].repeats, 1);
        QVERIFY(t.releaseDue(2000).isEmpty());

        // Below the lower limit; a missing reading ends it without a value.
        r = t.observe("KV1", 2, true, -3.25, -1.5f, 8, 3000);
        QCOMPARE(r.events[0].limit, std::optional<double>(-1.5));
        t.observe("KV1", 2, false, NoValue, -1.5f, 8, 3005);
        QCOMPARE(t.releaseDue(3100).value(0).value, std::optional<double>());
    }

    void flappingMergesIntoOneAlarm()
    {
        AlarmEventTracker t;
        QVector<EventRecord> log;
        int newAlarms = 0;
        qint64 time = 5000;
        // In and out of alarm on every one-second poll for a minute and a half.
        for (int i = 0; i < 45; ++i) {
            auto r = t.observe("KV1", 1, true, 30.2, 20, 30, time++);
            log += r.events;
            newAlarms += r.newAlarm;
            log += t.releaseDue(time);
            log += t.observe("KV1", 1, false, 29.9, 20, 30, time++).events;
            log += t.releaseDue(time);
            // A clean first end silences at once; a flapping channel keeps sounding.
            QCOMPARE(t.anySounding(), i > 0);
        }
        QCOMPARE(newAlarms, 1);
        QCOMPARE(kinds(log), QStringList({"alarm_begin"}));
        // Settled: one end a minute after the last one, counting every
        // alarm it merged.
        const qint64 lastEnd = time - 1;
        log += t.releaseDue(lastEnd + 59);
        QCOMPARE(log.size(), 1);
        log += t.releaseDue(lastEnd + 60);
        QCOMPARE(kinds(log), QStringList({"alarm_begin", "alarm_end"}));
        QCOMPARE(log[1].repeats, 45);
        QCOMPARE(log[1].time, lastEnd);
        QVERIFY(!t.anySounding());

        // Back after more than a minute: a new alarm; the held end comes
        // first if nobody released it.
        t.observe("KV1", 2, true, 90, 0, 80, 10000);
        t.observe("KV1", 2, false, 70, 0, 80, 10001);
        const auto r = t.observe("KV1", 2, true, 95, 0, 80, 10061);
        QVERIFY(r.newAlarm);
        QCOMPARE(kinds(r.events), QStringList({"alarm_end", "alarm_begin"}));
    }

    void clockGoingBackReleasesHeldEnds()
    {
        AlarmEventTracker t;
        t.observe("KV1", 1, true, 31, 20, 30, 100000);
        t.observe("KV1", 1, false, 29, 20, 30, 100010);
        QCOMPARE(t.releaseDue(50000).size(), 1);
        // A return stamped before the end is not merged either.
        t.observe("KV1", 1, true, 31, 20, 30, 100020);
        t.observe("KV1", 1, false, 29, 20, 30, 100030);
        QVERIFY(t.observe("KV1", 1, true, 31, 20, 30, 100025).newAlarm);
    }

    void finishEndsWhatIsOpen()
    {
        AlarmEventTracker t;
        t.observe("KV1", 1, true, 31, 20, 30, 100);
        t.observe("KV2", 1, true, 31, 20, 30, 100);
        t.observe("KV2", 1, false, 25, 20, 30, 110);
        const QVector<EventRecord> ends = t.finish(200);
        QCOMPARE(kinds(ends), QStringList({"alarm_end", "alarm_end"}));
        QCOMPARE(ends[0].serialNo, QStringLiteral("KV1"));
        QCOMPARE(ends[0].time, qint64(200));
        QVERIFY(!ends[0].value);
        QCOMPARE(ends[0].limit, std::optional<double>(30));
        QCOMPARE(ends[1].time, qint64(110));
        QCOMPARE(ends[1].value, std::optional<double>(25));
        QVERIFY(t.finish(300).isEmpty());
        // A fresh start: the same alarm is new again.
        QVERIFY(t.observe("KV1", 1, true, 31, 20, 30, 400).newAlarm);
    }

    void sixteenDevicesInAlarmAtOnce()
    {
        AlarmEventTracker t;
        QVector<EventRecord> log;
        bool newAlarm = false;
        for (int d = 0; d < 16; ++d) {
            for (int c = 1; c <= 2; ++c) {
                const auto r = t.observe(QStringLiteral("KV%1").arg(d), c, true, 99, 0, 50, 700);
                log += r.events;
                newAlarm = newAlarm || r.newAlarm;
            }
        }
        QCOMPARE(log.size(), 32);
        QVERIFY(newAlarm);
        QCOMPARE(t.finish(800).size(), 32);
    }

    void acknowledgeSilencesUntilANewAlarm()
    {
        AlarmAcknowledge ack;
        QVERIFY(!ack.acknowledge("anna", 1));
        ack.update(true, true);
        QVERIFY(ack.unacknowledged());
        const auto e = ack.acknowledge(QStringLiteral("anna"), 500);
        QVERIFY(e);
        QCOMPARE(e->kind, QString(EventKind::Ack));
        QCOMPARE(e->time, qint64(500));
        QCOMPARE(EventDetail::parse(e->detail).value("user").toString(), QStringLiteral("anna"));
        QVERIFY(!ack.unacknowledged());
        QVERIFY(!ack.acknowledge("anna", 501)); // nothing left to acknowledge
        // The same alarms go on, and go away and come back merged: silent.
        ack.update(true, false);
        ack.update(false, false);
        ack.update(true, false);
        QVERIFY(!ack.unacknowledged());
        ack.update(true, true);
        QVERIFY(ack.unacknowledged());
        QVERIFY(!AlarmAcknowledge::loginName().isEmpty());
    }

    void soundFollowsUnacknowledgedAlarms()
    {
        QCOMPARE(AlarmSoundDecision::decide(true, false), AlarmSoundDecision::Play);
        QCOMPARE(AlarmSoundDecision::decide(true, true), AlarmSoundDecision::Keep);
        QCOMPARE(AlarmSoundDecision::decide(false, true), AlarmSoundDecision::Stop);
        QCOMPARE(AlarmSoundDecision::decide(false, false), AlarmSoundDecision::Stop);
        ConfiguredDevice a("A", 2);
        QVERIFY(!AlarmSoundDecision::anyChannelAlarm({&a, nullptr}));
        a.ch2Alarm = true;
        QVERIFY(AlarmSoundDecision::anyChannelAlarm({&a, nullptr}));
        QCOMPARE(AlarmSoundDecision::decide(QList<ConfiguredDevice *>{&a}, false),
                 AlarmSoundDecision::Play);
    }

    void lostDeviceGetsOneGapRowAndAlarmsAfterFivePolls()
    {
        CommunicationWatch w;
        QVERIFY(w.observe("KV1", true, 100).events.isEmpty());
        auto r = w.observe("KV1", false, 101);
        QCOMPARE(kinds(r.events), QStringList({"comm_lost"}));
        QCOMPARE(r.events[0].serialNo, QStringLiteral("KV1"));
        QCOMPARE(r.gapRows, QStringList({"KV1"}));
        QVERIFY(w.isLost("KV1"));
        for (int poll = 1; poll <= CommunicationWatch::AlarmPolls; ++poll) {
            r = w.polled("KV1", false, 101 + poll);
            QVERIFY(r.events.isEmpty() && r.gapRows.isEmpty() && !r.newAlarm);
            QVERIFY(!w.inAlarm("KV1"));
        }
        r = w.polled("KV1", false, 110);
        QVERIFY(r.newAlarm);
        QVERIFY(r.events.isEmpty());
        QVERIFY(w.inAlarm("KV1") && w.anyAlarm());
        QVERIFY(!w.polled("KV1", false, 111).newAlarm);
        r = w.observe("KV1", true, 120);
        QCOMPARE(kinds(r.events), QStringList({"comm_back"}));
        QVERIFY(!w.inAlarm("KV1") && !w.anyAlarm() && !w.isLost("KV1"));
        // Answered in between: the next loss owes a gap row again.
        QCOMPARE(w.polled("KV1", false, 130).gapRows, QStringList({"KV1"}));
    }

    void deviceThatNeverAnsweredIsLostAfterFivePolls()
    {
        CommunicationWatch w;
        w.setAlarmEnabled(false);
        for (int poll = 1; poll <= CommunicationWatch::AlarmPolls; ++poll)
            QVERIFY(w.polled("KV9", false, poll).events.isEmpty());
        const auto r = w.polled("KV9", false, 6);
        QCOMPARE(kinds(r.events), QStringList({"comm_lost"}));
        QVERIFY(r.gapRows.isEmpty()); // nothing recorded to break off
        QVERIFY(!r.newAlarm);         // the project turned the alarm off
        QVERIFY(w.isLost("KV9") && !w.inAlarm("KV9"));
        w.setAlarmEnabled(true);
        QVERIFY(w.inAlarm("KV9"));
        QCOMPARE(kinds(w.observe("KV9", true, 7).events), QStringList({"comm_back"}));
        w.clear();
        QVERIFY(w.observe("KV9", false, 8).events.isEmpty());
    }

    void communicationAlarmIsAProjectSetting()
    {
        QTemporaryDir dir;
        const QString project = dir.filePath("p.qpj");
        QFile f(project);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("[General]\nprojectName=p\n");
        f.close();
        QVERIFY(CommunicationWatch::alarmEnabledIn(project));
        QVERIFY(CommunicationWatch::setAlarmEnabledIn(project, false));
        QVERIFY(!CommunicationWatch::alarmEnabledIn(project));
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray text = f.readAll();
        f.close();
        QVERIFY(text.contains("[Alarm]\nCommunicationAlarm=false"));
        QVERIFY(text.contains("projectName=p"));
        QVERIFY(CommunicationWatch::setAlarmEnabledIn(project, true));
        QVERIFY(CommunicationWatch::alarmEnabledIn(project));
    }

    // What the user sees: a channel in alarm sounds, Acknowledge silences it
    // while the tile stays red, a second channel entering alarm sounds again.
    void monitorAcknowledgeAndSecondAlarm()
    {
        auto a = device("KV1", 1000);
        auto b = device("KV2", 1000);
        const QList<ConfiguredDevice *> devices{a.get(), nullptr, b.get()};
        AlarmMonitor m;
        setReading(a.get(), 25, 1000);
        setReading(b.get(), 25, 1000);
        QVERIFY(m.tick(devices, 1000).events.isEmpty());
        QCOMPARE(m.sound(false), AlarmSoundDecision::Stop);

        setReading(a.get(), 31.5, 1001);
        auto r = m.tick(devices, 1002);
        QCOMPARE(kinds(r.events), QStringList({"alarm_begin"}));
        QCOMPARE(r.events[0].time, qint64(1001)); // the reading's time
        QCOMPARE(r.events[0].value, std::optional<double>(31.5));
        QVERIFY(m.unacknowledged());
        QCOMPARE(m.sound(false), AlarmSoundDecision::Play);
        QCOMPARE(m.sound(true), AlarmSoundDecision::Keep);

        const auto ack = m.acknowledge(QStringLiteral("anna"), 1003);
        QVERIFY(ack);
        QCOMPARE(m.sound(true), AlarmSoundDecision::Stop);
        QVERIFY(a->ch1Alarm); // still red
        // Flapping after the acknowledge stays silent and adds no events.
        for (int i = 0; i < 10; ++i) {
            setReading(a.get(), i % 2 ? 31 : 29, 1004 + i);
            QVERIFY(m.tick(devices, 1004 + i).events.isEmpty());
            QCOMPARE(m.sound(false), AlarmSoundDecision::Stop);
        }
        setReading(b.get(), 19, 1020);
        r = m.tick(devices, 1020);
        QCOMPARE(kinds(r.events), QStringList({"alarm_begin"}));
        QCOMPARE(r.events[0].serialNo, QStringLiteral("KV2"));
        QCOMPARE(r.events[0].limit, std::optional<double>(20));
        QCOMPARE(m.sound(false), AlarmSoundDecision::Play);

        const QVector<EventRecord> ends = m.finish(1100);
        QCOMPARE(kinds(ends), QStringList({"alarm_end", "alarm_end"}));
        QVERIFY(!m.unacknowledged());
    }

    void monitorLostDeviceSoundsAndOwesAGapRow()
    {
        auto a = device("KV1", 1000);
        const QList<ConfiguredDevice *> devices{a.get()};
        AlarmMonitor m;
        setReading(a.get(), 25, 1000);
        m.tick(devices, 1000);
        a->connected = false; // the device's grey state: no value, no alarm
        a->ch1Value.clear();
        auto r = m.tick(devices, 1001);
        QCOMPARE(kinds(r.events), QStringList({"comm_lost"}));
        QCOMPARE(r.gapRows, QStringList({"KV1"}));
        QVERIFY(m.tick(devices, 1002).gapRows.isEmpty());
        for (int poll = 1; poll <= CommunicationWatch::AlarmPolls; ++poll) {
            m.polled(devices, 1002 + poll);
            QCOMPARE(m.sound(false), AlarmSoundDecision::Stop);
        }
        m.polled(devices, 1010);
        QVERIFY(m.unacknowledged());
        QCOMPARE(m.sound(false), AlarmSoundDecision::Play);
        QVERIFY(m.acknowledge(QStringLiteral("anna"), 1011));
        QCOMPARE(m.sound(true), AlarmSoundDecision::Stop);
        setReading(a.get(), 25, 1020);
        QCOMPARE(kinds(m.tick(devices, 1020).events), QStringList({"comm_back"}));

        m.communication().setAlarmEnabled(false);
        a->connected = false;
        m.tick(devices, 1030);
        for (int poll = 0; poll <= CommunicationWatch::AlarmPolls; ++poll)
            m.polled(devices, 1031 + poll);
        QCOMPARE(m.sound(false), AlarmSoundDecision::Stop);
    }

    void monitorSixteenDevicesInAlarm()
    {
        std::vector<std::unique_ptr<ConfiguredDevice>> owned;
        QList<ConfiguredDevice *> devices;
        for (int i = 0; i < 16; ++i) {
            owned.push_back(device(QStringLiteral("KV%1").arg(i), 1000));
            devices << owned.back().get();
            setReading(devices.back(), 40, 1000);
            devices.back()->ch2Value = QStringLiteral("90.00");
            devices.back()->ch2Alarm = true;
        }
        AlarmMonitor m;
        QCOMPARE(m.tick(devices, 1000).events.size(), 32);
        QCOMPARE(m.sound(false), AlarmSoundDecision::Play);
        QVERIFY(m.tick(devices, 1001).events.isEmpty());
        QCOMPARE(m.sound(true), AlarmSoundDecision::Keep);
        QVERIFY(m.acknowledge(QStringLiteral("anna"), 1002));
        QCOMPARE(m.sound(true), AlarmSoundDecision::Stop);
    }
};

QTEST_GUILESS_MAIN(TestAlarmRules)
#include "tst_AlarmRules.moc"
