#include "NotificationRules.h"
#include "NotifySettings.h"

#include "core/NoValue.h"

#include <QtTest>

// When alarms and events go out: delay, hysteresis, one begin per alarm,
// digests, and which kinds send mail. Time is whatever the test says.
class tst_NotificationRules : public QObject
{
    Q_OBJECT
private slots:
    void withoutDelayTheFirstAlarmReadingSends();
    void delayWaitsForTheAlarmToLast();
    void aDoorOpenedForAMinuteWakesNobody();
    void oneBeginPerAlarmWhileItFlaps();
    void endNeedsTheHysteresisMargin();
    void marginIsCappedForNarrowLimits();
    void lowerLimitAndSwitchedOffLimits();
    void missingReadingsChangeNothing();
    void devicesThatLeaveOrWereNeverThere();
    void logEventsPassAndAlarmsFromTheLogAreIgnored();
    void mailFollowsTheChosenCategories();
    void eventsOfOneMinuteMakeOneDigest();
    void aClockSetBackDoesNotHoldTheMail();
    void mailQueueIsBounded();

private:
    static NotificationRules rules(int delaySecs, double hysteresis = 0,
                                   int categories = NotifySettings::AllCategories);
};

namespace {
const QString Fridge = QStringLiteral("0012AB34");
constexpr qint64 T0 = 1714525964;

EventRecord logEvent(const QString &kind, const QString &serial = QString())
{
    EventRecord e;
    e.time = T0;
    e.kind = kind;
    e.serialNo = serial;
    return e;
}
} // namespace

NotificationRules tst_NotificationRules::rules(int delaySecs, double hysteresis, int categories)
{
    DeviceSettings fridge;
    fridge.deviceNumber = Fridge;
    fridge.deviceName = QStringLiteral("Fridge");
    fridge.ch1Min = 2;
    fridge.ch1Max = 8;
    fridge.ch2Min = 30;
    fridge.ch2Max = 70;
    NotificationRules r;
    NotificationRules::Options o;
    o.alarmDelaySecs = delaySecs;
    o.endHysteresis = hysteresis;
    o.mailCategories = categories;
    r.setOptions(o);
    r.setDirectory(ProjectDirectory(QStringLiteral("Lab"), {fridge}));
    return r;
}

void tst_NotificationRules::withoutDelayTheFirstAlarmReadingSends()
{
    NotificationRules r = rules(0);
    QVERIFY(r.reading(Fridge, T0, 5, 50, false, false).isEmpty());
    const QVector<EventRecord> out = r.reading(Fridge, T0 + 1, 9.4, 50, true, false);
    QCOMPARE(out.size(), 1);
    QCOMPARE(out[0].kind, QString(EventKind::AlarmBegin));
    QCOMPARE(out[0].serialNo, Fridge);
    QCOMPARE(out[0].channel, 1);
    QCOMPARE(out[0].time, T0 + 1);
    QCOMPARE(*out[0].value, 9.4);
    QCOMPARE(*out[0].limit, 8.0);
    QVERIFY(r.alarmNotified(Fridge, 1));
    QVERIFY(!r.alarmNotified(Fridge, 2));
    QVERIFY(r.reading(Fridge, T0 + 2, 9.6, 50, true, false).isEmpty());
}

void tst_NotificationRules::delayWaitsForTheAlarmToLast()
{
    NotificationRules r = rules(300);
    QVERIFY(r.reading(Fridge, T0, 9.0, 50, true, false).isEmpty());
    QVERIFY(r.reading(Fridge, T0 + 60, 9.5, 50, true, false).isEmpty());
    QVERIFY(r.tick(T0 + 299).isEmpty());
    // The tick notices it even when the next reading is minutes away.
    const QVector<EventRecord> out = r.tick(T0 + 300);
    QCOMPARE(out.size(), 1);
    QCOMPARE(out[0].kind, QString(EventKind::AlarmBegin));
    QCOMPARE(out[0].time, T0);    // when the alarm began
    QCOMPARE(*out[0].value, 9.5); // the latest value
    QVERIFY(r.tick(T0 + 301).isEmpty());
    QVERIFY(r.reading(Fridge, T0 + 360, 9.7, 50, true, false).isEmpty());

    // A reading past the delay sends as well, without waiting for a tick.
    NotificationRules slow = rules(300);
    slow.reading(Fridge, T0, 9.0, 50, true, false);
    QCOMPARE(slow.reading(Fridge, T0 + 600, 9.1, 50, true, false).size(), 1);
}

void tst_NotificationRules::aDoorOpenedForAMinuteWakesNobody()
{
    NotificationRules r = rules(300);
    r.reading(Fridge, T0, 9.0, 50, true, false);
    r.reading(Fridge, T0 + 30, 10.0, 50, true, false);
    QVERIFY(r.reading(Fridge, T0 + 60, 7.0, 50, false, false).isEmpty());
    QVERIFY(r.tick(T0 + 400).isEmpty());
    QVERIFY(!r.mailQueued());
    // A new alarm starts its own delay.
    r.reading(Fridge, T0 + 500, 9.0, 50, true, false);
    QVERIFY(r.tick(T0 + 799).isEmpty());
    QCOMPARE(r.tick(T0 + 800).size(), 1);
}

void tst_NotificationRules::oneBeginPerAlarmWhileItFlaps()
{
    NotificationRules r = rules(0, 0.5);
    int begins = 0;
    int ends = 0;
    // Around the upper limit of 8: in and out of alarm every poll, but never
    // below 7.5, the end of the hysteresis band.
    const double values[] = {8.2, 7.9, 8.1, 7.6, 8.3, 7.8, 8.05, 7.7};
    qint64 t = T0;
    for (double v : values) {
        for (const EventRecord &e : r.reading(Fridge, t++, v, 50, v > 8, false)) {
            begins += e.kind == EventKind::AlarmBegin;
            ends += e.kind == EventKind::AlarmEnd;
        }
    }
    QCOMPARE(begins, 1);
    QCOMPARE(ends, 0);
    const QVector<EventRecord> out = r.reading(Fridge, t, 7.4, 50, false, false);
    QCOMPARE(out.size(), 1);
    QCOMPARE(out[0].kind, QString(EventKind::AlarmEnd));
    QCOMPARE(*out[0].value, 7.4);
    QCOMPARE(*out[0].limit, 8.0);
    QCOMPARE(out[0].time, t);
    // After the end, the next alarm is a new one.
    QCOMPARE(r.reading(Fridge, t + 1, 8.5, 50, true, false).size(), 1);
}

void tst_NotificationRules::endNeedsTheHysteresisMargin()
{
    NotificationRules r = rules(0, 0.5);
    r.reading(Fridge, T0, 9, 50, true, false);
    QVERIFY(r.reading(Fridge, T0 + 1, 7.51, 50, false, false).isEmpty());
    QCOMPARE(r.reading(Fridge, T0 + 2, 7.5, 50, false, false).size(), 1);

    // Without hysteresis the end follows the display at once.
    NotificationRules plain = rules(0, 0);
    plain.reading(Fridge, T0, 9, 50, true, false);
    QCOMPARE(plain.reading(Fridge, T0 + 1, 7.99, 50, false, false).size(), 1);
}

void tst_NotificationRules::marginIsCappedForNarrowLimits()
{
    // Limits 2..8 with a margin of 5 would leave no way back; a quarter of
    // the band (1.5) is used instead: the alarm ends inside 3.5..6.5.
    NotificationRules r = rules(0, 5);
    r.reading(Fridge, T0, 9, 50, true, false);
    QVERIFY(r.reading(Fridge, T0 + 1, 6.6, 50, false, false).isEmpty());
    QCOMPARE(r.reading(Fridge, T0 + 2, 6.5, 50, false, false).size(), 1);
}

void tst_NotificationRules::lowerLimitAndSwitchedOffLimits()
{
    NotificationRules r = rules(0, 1);
    const QVector<EventRecord> out = r.reading(Fridge, T0, 5, 25, false, true);
    QCOMPARE(out.size(), 1);
    QCOMPARE(out[0].channel, 2);
    QCOMPARE(*out[0].limit, 30.0);
    QVERIFY(r.reading(Fridge, T0 + 1, 5, 30.5, false, false).isEmpty());
    QCOMPARE(r.reading(Fridge, T0 + 2, 5, 31, false, false).size(), 1);

    // Limits switched off (equal) while in alarm: nothing to wait for.
    r.reading(Fridge, T0 + 3, 9, 50, true, false);
    DeviceSettings off;
    off.deviceNumber = Fridge;
    off.ch1Min = off.ch1Max = 0;
    r.setDirectory(ProjectDirectory(QStringLiteral("Lab"), {off}));
    const QVector<EventRecord> end = r.reading(Fridge, T0 + 4, 9, 50, false, false);
    QCOMPARE(end.size(), 1);
    QCOMPARE(end[0].kind, QString(EventKind::AlarmEnd));
}

void tst_NotificationRules::missingReadingsChangeNothing()
{
    NotificationRules r = rules(120);
    r.reading(Fridge, T0, 9, 50, true, false);
    QVERIFY(r.reading(Fridge, T0 + 60, NoValue, NoValue, false, false).isEmpty());
    QCOMPARE(r.tick(T0 + 120).size(), 1);
    QVERIFY(r.reading(Fridge, T0 + 180, NoValue, NoValue, false, false).isEmpty());
    QVERIFY(r.alarmNotified(Fridge, 1));
}

void tst_NotificationRules::devicesThatLeaveOrWereNeverThere()
{
    NotificationRules r = rules(0);
    QVERIFY(r.reading(QStringLiteral("UNKNOWN"), T0, 99, 99, true, true).isEmpty());
    r.reading(Fridge, T0, 9, 50, true, false);
    QVERIFY(r.alarmNotified(Fridge, 1));
    r.setDirectory(ProjectDirectory(QStringLiteral("Lab"), {}));
    QVERIFY(!r.alarmNotified(Fridge, 1));
    QVERIFY(r.reading(Fridge, T0 + 1, 1, 50, false, false).isEmpty());
}

void tst_NotificationRules::logEventsPassAndAlarmsFromTheLogAreIgnored()
{
    NotificationRules r = rules(0);
    const EventRecord lost = logEvent(QString(EventKind::CommLost), Fridge);
    const QVector<EventRecord> out = r.event(lost, T0);
    QCOMPARE(out.size(), 1);
    QCOMPARE(out[0], lost);
    // The log's own alarm entries come without delay and hysteresis; the
    // readings decide those here.
    QVERIFY(r.event(logEvent(QString(EventKind::AlarmBegin), Fridge), T0).isEmpty());
    QVERIFY(r.event(logEvent(QString(EventKind::AlarmEnd), Fridge), T0).isEmpty());
    const QVector<EventRecord> mail = r.takeMail(T0 + 60);
    QCOMPARE(mail.size(), 1);
    QCOMPARE(mail[0].kind, QString(EventKind::CommLost));
}

void tst_NotificationRules::mailFollowsTheChosenCategories()
{
    NotificationRules r = rules(0, 0, NotifySettings::AlarmBegin | NotifySettings::AutoStop);
    r.reading(Fridge, T0, 9, 50, true, false);
    r.reading(Fridge, T0 + 1, 5, 50, false, false); // end: published, not mailed
    r.event(logEvent(QString(EventKind::CommLost), Fridge), T0 + 2);
    r.event(logEvent(QString(EventKind::Ack)), T0 + 3);
    r.event(logEvent(QString(EventKind::NotifyFailed)), T0 + 4);
    r.event(logEvent(QString(EventKind::SizeStop)), T0 + 5);
    const QVector<EventRecord> mail = r.takeMail(T0 + 60);
    QCOMPARE(mail.size(), 2);
    QCOMPARE(mail[0].kind, QString(EventKind::AlarmBegin));
    QCOMPARE(mail[1].kind, QString(EventKind::SizeStop));

    NotificationRules silent = rules(0, 0, 0);
    silent.reading(Fridge, T0, 9, 50, true, false);
    QVERIFY(!silent.mailQueued());

    QCOMPARE(NotifySettings::categoryOf(EventKind::CommBack), int(NotifySettings::CommLost));
    QCOMPARE(NotifySettings::categoryOf(EventKind::RecordResume),
             int(NotifySettings::RecordingInterrupted));
    QCOMPARE(NotifySettings::categoryOf(EventKind::WriteFailed),
             int(NotifySettings::RecordingInterrupted));
    QCOMPARE(NotifySettings::categoryOf(EventKind::DiskWarning),
             int(NotifySettings::StorageWarning));
    QCOMPARE(NotifySettings::categoryOf(EventKind::SizeWarning),
             int(NotifySettings::StorageWarning));
    QCOMPARE(NotifySettings::categoryOf(EventKind::RecordStop), 0);
}

void tst_NotificationRules::eventsOfOneMinuteMakeOneDigest()
{
    NotificationRules r = rules(0);
    r.reading(Fridge, T0, 9, 50, true, false);
    r.event(logEvent(QString(EventKind::CommLost), Fridge), T0 + 10);
    r.reading(Fridge, T0 + 59, 9, 80, true, true);
    QVERIFY(r.takeMail(T0 + 59).isEmpty());
    const QVector<EventRecord> digest = r.takeMail(T0 + 60);
    QCOMPARE(digest.size(), 3);
    QVERIFY(r.takeMail(T0 + 200).isEmpty());
    // The next event opens the next minute.
    r.event(logEvent(QString(EventKind::CommBack), Fridge), T0 + 300);
    QVERIFY(r.takeMail(T0 + 359).isEmpty());
    QCOMPARE(r.takeMail(T0 + 360).size(), 1);
}

void tst_NotificationRules::aClockSetBackDoesNotHoldTheMail()
{
    NotificationRules r = rules(0);
    r.event(logEvent(QString(EventKind::CommLost), Fridge), T0);
    QCOMPARE(r.takeMail(T0 - 3600).size(), 1);
}

void tst_NotificationRules::mailQueueIsBounded()
{
    NotificationRules r = rules(0);
    NotificationRules::Options o = r.options();
    o.maxMailEvents = 3;
    r.setOptions(o);
    for (int i = 0; i < 5; ++i)
        r.event(logEvent(QString(EventKind::CommLost), Fridge), T0 + i);
    QCOMPARE(r.takeDroppedMailEvents(), 2);
    QCOMPARE(r.takeDroppedMailEvents(), 0);
    QCOMPARE(r.takeMail(T0 + 60).size(), 3);
}

QTEST_GUILESS_MAIN(tst_NotificationRules)
#include "tst_NotificationRules.moc"
