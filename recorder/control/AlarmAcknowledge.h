#pragma once

#include "events/EventRecord.h"

#include <QString>

#include <optional>

// The user's acknowledge of the alarms that are on: it silences the sound
// until a channel newly enters alarm (or a device newly becomes a
// communication alarm). The red states stay; only the sound goes.
class AlarmAcknowledge
{
public:
    // Once per tick: whether an alarm is on, and whether one began anew.
    void update(bool anyAlarm, bool newAlarm);
    // An alarm is on that nobody acknowledged: it sounds, and the control shows it.
    bool unacknowledged() const { return m_anyAlarm && !m_silenced; }
    // The ack event, stamped with the user's login name, when there was
    // something to acknowledge.
    std::optional<EventRecord> acknowledge(const QString &login, qint64 now);

    // The name of the user this process runs for.
    static QString loginName();

private:
    bool m_anyAlarm = false;
    bool m_silenced = false;
};
