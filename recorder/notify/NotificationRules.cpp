#include "NotificationRules.h"

#include "NotifySettings.h"

#include "core/NoValue.h"

void NotificationRules::setDirectory(const ProjectDirectory &directory)
{
    m_directory = directory;
    for (auto it = m_channels.begin(); it != m_channels.end();) {
        if (m_directory.device(it.key()))
            ++it;
        else
            it = m_channels.erase(it);
    }
}

QVector<EventRecord> NotificationRules::reading(const QString &serial, qint64 time, double value1,
                                                double value2, bool alarm1, bool alarm2)
{
    QVector<EventRecord> out;
    if (!m_directory.device(serial))
        return out;
    std::array<Channel, 2> &channels = m_channels[serial];
    channelReading(serial, 1, channels[0], time, value1, alarm1, out);
    channelReading(serial, 2, channels[1], time, value2, alarm2, out);
    for (const EventRecord &e : qAsConst(out))
        queueMail(e, time);
    return out;
}

void NotificationRules::channelReading(const QString &serial, int channel, Channel &state,
                                       qint64 time, double value, bool alarm,
                                       QVector<EventRecord> &out)
{
    // A missing reading neither confirms nor ends an alarm; a device that
    // stops answering has events of its own.
    if (value == NoValue)
        return;
    switch (state.phase) {
    case Phase::Idle:
        if (!alarm)
            return;
        state.phase = Phase::Pending;
        state.since = time;
        state.lastValue = value;
        if (m_options.alarmDelaySecs <= 0)
            out << begin(serial, channel, state);
        return;
    case Phase::Pending:
        if (!alarm) {
            state.phase = Phase::Idle;
            return;
        }
        state.lastValue = value;
        if (time - state.since >= m_options.alarmDelaySecs)
            out << begin(serial, channel, state);
        return;
    case Phase::Active:
        if (alarm || !backInside(serial, channel, value))
            return;
        state.phase = Phase::Idle;
        EventRecord end;
        end.time = time;
        end.kind = EventKind::AlarmEnd;
        end.serialNo = serial;
        end.channel = channel;
        end.value = value;
        end.limit = state.limit;
        out << end;
        return;
    }
}

EventRecord NotificationRules::begin(const QString &serial, int channel, Channel &state)
{
    float lower = 0;
    float upper = 0;
    m_directory.limits(serial, channel, &lower, &upper);
    state.phase = Phase::Active;
    state.limit = state.lastValue > double(upper) ? double(upper) : double(lower);
    EventRecord e;
    e.time = state.since;
    e.kind = EventKind::AlarmBegin;
    e.serialNo = serial;
    e.channel = channel;
    e.value = state.lastValue;
    e.limit = state.limit;
    return e;
}

bool NotificationRules::backInside(const QString &serial, int channel, double value) const
{
    float lower = 0;
    float upper = 0;
    if (!m_directory.limits(serial, channel, &lower, &upper) || lower == upper)
        return true; // no limits any more: nothing to be in alarm about
    // A margin wider than the band would never let the alarm end; a quarter
    // of the band keeps a way back for narrow limits.
    const double margin = qMin(m_options.endHysteresis, (double(upper) - double(lower)) / 4);
    return value >= double(lower) + margin && value <= double(upper) - margin;
}

QVector<EventRecord> NotificationRules::event(const EventRecord &event, qint64 now)
{
    if (event.kind == EventKind::AlarmBegin || event.kind == EventKind::AlarmEnd)
        return {};
    queueMail(event, now);
    return {event};
}

QVector<EventRecord> NotificationRules::tick(qint64 now)
{
    QVector<EventRecord> out;
    for (auto it = m_channels.begin(); it != m_channels.end(); ++it) {
        for (int i = 0; i < 2; ++i) {
            Channel &state = (*it)[i];
            if (state.phase == Phase::Pending && now - state.since >= m_options.alarmDelaySecs)
                out << begin(it.key(), i + 1, state);
        }
    }
    for (const EventRecord &e : qAsConst(out))
        queueMail(e, now);
    return out;
}

void NotificationRules::queueMail(const EventRecord &event, qint64 now)
{
    if ((m_options.mailCategories & NotifySettings::categoryOf(event.kind)) == 0)
        return;
    if (m_mail.size() >= m_options.maxMailEvents) {
        ++m_mailDropped;
        return;
    }
    if (m_mail.isEmpty())
        m_mailSince = now;
    m_mail << event;
}

QVector<EventRecord> NotificationRules::takeMail(qint64 now)
{
    if (m_mail.isEmpty())
        return {};
    // A clock set back must not hold the mail until it catches up again.
    if (now - m_mailSince < m_options.digestWindowSecs && now >= m_mailSince)
        return {};
    QVector<EventRecord> batch;
    batch.swap(m_mail);
    return batch;
}

int NotificationRules::takeDroppedMailEvents()
{
    const int n = m_mailDropped;
    m_mailDropped = 0;
    return n;
}

bool NotificationRules::alarmNotified(const QString &serial, int channel) const
{
    const auto it = m_channels.constFind(serial);
    if (it == m_channels.constEnd() || channel < 1 || channel > 2)
        return false;
    return (*it)[channel - 1].phase == Phase::Active;
}
