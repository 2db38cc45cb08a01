#pragma once

#include "ProjectDirectory.h"

#include "events/EventRecord.h"

#include <QHash>
#include <QString>
#include <QVector>

#include <array>

// When alarms and events go out as mail and MQTT messages. The displays and
// the sound alarm at once; notifications wait until a channel has stayed in
// alarm for the delay, end only once the value is back inside the limits by
// the hysteresis margin, send one begin per alarm, and gather the mails of
// one minute into one digest. Plain and clock-free: every call says what
// time it is.
class NotificationRules
{
public:
    struct Options
    {
        int alarmDelaySecs = 0;
        double endHysteresis = 0;
        int mailCategories = 0; // NotifySettings::Category bits; 0: no mail at all
        int digestWindowSecs = 60;
        int maxMailEvents = 200; // beyond this, events are counted as dropped
    };

    void setOptions(const Options &options) { m_options = options; }
    const Options &options() const { return m_options; }
    // Names and limits of the project's devices; a device that left loses its state.
    void setDirectory(const ProjectDirectory &directory);
    const ProjectDirectory &directory() const { return m_directory; }

    // One answer of a device, with the alarm flags the device evaluated
    // (NoValue for a missing reading). Returns the alarm events that go out
    // now; they are also queued for mail when their category is chosen.
    QVector<EventRecord> reading(const QString &serial, qint64 time, double value1, double value2,
                                 bool alarm1, bool alarm2);
    // An event of the log. Alarm begin and end are ignored: they are derived
    // from the readings with the delay and hysteresis above. Returns what
    // goes out now (the event, or nothing).
    QVector<EventRecord> event(const EventRecord &event, qint64 now);
    // Alarms whose delay has passed by now.
    QVector<EventRecord> tick(qint64 now);

    // The events of one mail, once the first of them is digestWindowSecs
    // old (or the clock went back); empty otherwise.
    QVector<EventRecord> takeMail(qint64 now);
    bool mailQueued() const { return !m_mail.isEmpty(); }
    // Events that did not fit into the mail queue since the last call.
    int takeDroppedMailEvents();

    // For the state of a channel: whether its notified alarm is on.
    bool alarmNotified(const QString &serial, int channel) const;

private:
    enum class Phase
    {
        Idle,
        Pending, // in alarm, waiting for the delay
        Active   // begin sent, waiting for the end
    };
    struct Channel
    {
        Phase phase = Phase::Idle;
        qint64 since = 0;
        double lastValue = 0;
        double limit = 0;
    };

    void channelReading(const QString &serial, int channel, Channel &state, qint64 time,
                        double value, bool alarm, QVector<EventRecord> &out);
    EventRecord begin(const QString &serial, int channel, Channel &state);
    bool backInside(const QString &serial, int channel, double value) const;
    void queueMail(const EventRecord &event, qint64 now);

    Options m_options;
    ProjectDirectory m_directory;
    QHash<QString, std::array<Channel, 2>> m_channels;
    QVector<EventRecord> m_mail;
    qint64 m_mailSince = 0;
    int m_mailDropped = 0;
};
