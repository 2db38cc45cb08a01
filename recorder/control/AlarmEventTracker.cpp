#include "AlarmEventTracker.h"

#include "core/NoValue.h"

namespace {
std::optional<double> reading(double value)
{
    return value == NoValue ? std::nullopt : std::optional<double>(value);
}
} // namespace

AlarmEventTracker::Result AlarmEventTracker::observe(const QString &serialNo, int channel,
                                                     bool inAlarm, double value, float lower,
                                                     float upper, qint64 time)
{
    Result result;
    Channel &c = m_channels[qMakePair(serialNo, channel)];
    if (inAlarm == c.inAlarm)
        return result;
    c.inAlarm = inAlarm;

    if (!inAlarm) {
        c.endHeld = true;
        c.end = EventRecord::of(time, EventKind::AlarmEnd, serialNo, channel);
        c.end.value = reading(value);
        c.end.limit = c.limit;
        return result;
    }

    if (c.endHeld && time >= c.end.time && time - c.end.time < MergeSeconds) {
        c.endHeld = false;
        ++c.repeats;
        return result;
    }
    if (c.endHeld) {
        c.end.repeats = c.repeats;
        result.events.append(c.end);
        c.endHeld = false;
    }
    // The same comparison as the alarm itself: limits widened from float.
    c.limit = value < double(lower) ? double(lower) : double(upper);
    c.repeats = 1;
    EventRecord begin = EventRecord::of(time, EventKind::AlarmBegin, serialNo, channel);
    begin.value = reading(value);
    begin.limit = c.limit;
    result.events.append(begin);
    result.newAlarm = true;
    return result;
}

QVector<EventRecord> AlarmEventTracker::releaseDue(qint64 now)
{
    QVector<EventRecord> events;
    for (Channel &c : m_channels) {
        if (c.endHeld && (now < c.end.time || now - c.end.time >= MergeSeconds)) {
            c.end.repeats = c.repeats;
            events.append(c.end);
            c.endHeld = false;
        }
    }
    return events;
}

QVector<EventRecord> AlarmEventTracker::finish(qint64 now)
{
    QVector<EventRecord> events;
    for (auto it = m_channels.cbegin(); it != m_channels.cend(); ++it) {
        const Channel &c = it.value();
        if (c.endHeld) {
            EventRecord end = c.end;
            end.repeats = c.repeats;
            events.append(end);
        } else if (c.inAlarm) {
            EventRecord end =
                EventRecord::of(now, EventKind::AlarmEnd, it.key().first, it.key().second);
            end.limit = c.limit;
            end.repeats = c.repeats;
            events.append(end);
        }
    }
    m_channels.clear();
    return events;
}

bool AlarmEventTracker::anyInAlarm() const
{
    for (const Channel &c : m_channels) {
        if (c.inAlarm)
            return true;
    }
    return false;
}

bool AlarmEventTracker::anySounding() const
{
    for (const Channel &c : m_channels) {
        if (c.inAlarm || (c.endHeld && c.repeats > 1))
            return true;
    }
    return false;
}
