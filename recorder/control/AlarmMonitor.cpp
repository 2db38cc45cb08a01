#include "AlarmMonitor.h"

#include "ConfiguredDevice.h"
#include "ReadingParser.h"
#include "core/NoValue.h"

namespace {
double valueOf(const QString &text)
{
    return text.isEmpty() ? NoValue : ReadingParser::partValue(text);
}
} // namespace

void AlarmMonitor::append(Result *result, const CommunicationWatch::Result &r, bool *newAlarm)
{
    result->events += r.events;
    result->gapRows += r.gapRows;
    *newAlarm = *newAlarm || r.newAlarm;
}

void AlarmMonitor::updateAcknowledge(bool newAlarm)
{
    m_acknowledge.update(m_alarms.anySounding() || m_communication.anyAlarm(), newAlarm);
}

AlarmMonitor::Result AlarmMonitor::tick(const QList<ConfiguredDevice *> &devices, qint64 now)
{
    Result result;
    bool newAlarm = false;
    for (const ConfiguredDevice *d : devices) {
        if (!d)
            continue;
        const qint64 readingTime = d->lastTime.toSecsSinceEpoch();
        for (const auto &r :
             {m_alarms.observe(d->settings().deviceNumber, 1, d->ch1Alarm, valueOf(d->ch1Value),
                               d->settings().ch1Min, d->settings().ch1Max, readingTime),
              m_alarms.observe(d->settings().deviceNumber, 2, d->ch2Alarm, valueOf(d->ch2Value),
                               d->settings().ch2Min, d->settings().ch2Max, readingTime)}) {
            result.events += r.events;
            newAlarm = newAlarm || r.newAlarm;
        }
        append(&result, m_communication.observe(d->settings().deviceNumber, d->connected, now),
               &newAlarm);
    }
    result.events += m_alarms.releaseDue(now);
    updateAcknowledge(newAlarm);
    return result;
}

AlarmMonitor::Result AlarmMonitor::polled(const QList<ConfiguredDevice *> &devices, qint64 now)
{
    Result result;
    bool newAlarm = false;
    for (const ConfiguredDevice *d : devices) {
        if (d)
            append(&result, m_communication.polled(d->settings().deviceNumber, d->connected, now),
                   &newAlarm);
    }
    updateAcknowledge(newAlarm);
    return result;
}

std::optional<EventRecord> AlarmMonitor::acknowledge(const QString &login, qint64 now)
{
    return m_acknowledge.acknowledge(login, now);
}

AlarmSoundDecision::Action AlarmMonitor::sound(bool playing) const
{
    return AlarmSoundDecision::decide(m_acknowledge.unacknowledged(), playing);
}

void AlarmMonitor::setCommunicationAlarm(bool on)
{
    m_communication.setAlarmEnabled(on);
    updateAcknowledge(false);
}

QVector<EventRecord> AlarmMonitor::finish(qint64 now)
{
    m_communication.clear();
    m_acknowledge.update(false, false);
    return m_alarms.finish(now);
}
