#pragma once

#include "events/EventRecord.h"

#include <QMap>
#include <QString>
#include <QStringList>
#include <QVector>

// Devices that stop answering (shown grey). A device that answered and goes
// grey is logged as lost at once and owes one gap row, so that charts break
// there; it is logged back when it answers again. Grey for more than five
// polls while the project is open, it becomes a communication alarm, which
// sounds like a channel alarm unless the project turned that off. A device
// that never answered since the project opened is logged lost only then.
class CommunicationWatch
{
public:
    static constexpr int AlarmPolls = 5;

    struct Result
    {
        QVector<EventRecord> events;
        // Devices whose readings break here: one gap row each, while recording.
        QStringList gapRows;
        bool newAlarm = false;
    };

    // The device's state as it is now; as often as wanted (every tick), so
    // that lost and back are logged when they happen.
    Result observe(const QString &serialNo, bool connected, qint64 now);
    // After each data poll: counts the polls a grey device stays grey.
    Result polled(const QString &serialNo, bool connected, qint64 now);

    void setAlarmEnabled(bool on) { m_alarmEnabled = on; }
    bool alarmEnabled() const { return m_alarmEnabled; }
    bool isLost(const QString &serialNo) const;
    bool inAlarm(const QString &serialNo) const;
    bool anyAlarm() const;
    // The project closed: every device starts unknown again.
    void clear() { m_devices.clear(); }

    // The project's own setting: "[Alarm]" group, "CommunicationAlarm", on
    // when missing.
    static bool alarmEnabledIn(const QString &projectFile);
    static bool setAlarmEnabledIn(const QString &projectFile, bool on);

private:
    enum State
    {
        Unknown, // not answered since the project opened
        Answering,
        Lost
    };
    struct Device
    {
        State state = Unknown;
        int greyPolls = 0;
    };

    bool alarmOf(const Device &d) const;

    QMap<QString, Device> m_devices;
    bool m_alarmEnabled = true;
};
