#include "AlarmAcknowledge.h"

#include "events/EventDetail.h"

#include <pwd.h>
#include <unistd.h>

void AlarmAcknowledge::update(bool anyAlarm, bool newAlarm)
{
    m_anyAlarm = anyAlarm;
    if (newAlarm)
        m_silenced = false;
}

std::optional<EventRecord> AlarmAcknowledge::acknowledge(const QString &login, qint64 now)
{
    if (!unacknowledged())
        return std::nullopt;
    m_silenced = true;
    EventRecord e = EventRecord::of(now, EventKind::Ack);
    e.detail = EventDetail::user(login);
    return e;
}

QString AlarmAcknowledge::loginName()
{
    for (const char *variable : {"USER", "LOGNAME"}) {
        const QString name = qEnvironmentVariable(variable);
        if (!name.isEmpty())
            return name;
    }
    // Started by the session without a shell around it.
    const passwd *entry = getpwuid(geteuid());
    return entry ? QString::fromLocal8Bit(entry->pw_name) : QString::number(geteuid());
}
