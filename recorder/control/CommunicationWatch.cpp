#include "CommunicationWatch.h"

#include "core/ProjectFile.h"

namespace {
const QString kSettingKey = QStringLiteral("Alarm/CommunicationAlarm");
} // namespace

CommunicationWatch::Result CommunicationWatch::observe(const QString &serialNo, bool connected,
                                                       qint64 now)
{
    Result result;
    Device &d = m_devices[serialNo];
    if (connected) {
        if (d.state == Lost)
            result.events.append(EventRecord::of(now, EventKind::CommBack, serialNo));
        d.state = Answering;
        d.greyPolls = 0;
    } else if (d.state == Answering) {
        d.state = Lost;
        d.greyPolls = 0;
        result.events.append(EventRecord::of(now, EventKind::CommLost, serialNo));
        result.gapRows.append(serialNo);
    }
    return result;
}

CommunicationWatch::Result CommunicationWatch::polled(const QString &serialNo, bool connected,
                                                      qint64 now)
{
    Result result = observe(serialNo, connected, now);
    if (connected)
        return result;
    Device &d = m_devices[serialNo];
    ++d.greyPolls;
    if (d.greyPolls == AlarmPolls + 1) {
        // Nothing was recorded from it since the project opened: no gap row.
        if (d.state == Unknown) {
            d.state = Lost;
            result.events.append(EventRecord::of(now, EventKind::CommLost, serialNo));
        }
        result.newAlarm = m_alarmEnabled;
    }
    return result;
}

bool CommunicationWatch::alarmOf(const Device &d) const
{
    return m_alarmEnabled && d.state == Lost && d.greyPolls > AlarmPolls;
}

bool CommunicationWatch::isLost(const QString &serialNo) const
{
    return m_devices.value(serialNo).state == Lost;
}

bool CommunicationWatch::inAlarm(const QString &serialNo) const
{
    const auto it = m_devices.constFind(serialNo);
    return it != m_devices.constEnd() && alarmOf(*it);
}

bool CommunicationWatch::anyAlarm() const
{
    for (const Device &d : m_devices) {
        if (alarmOf(d))
            return true;
    }
    return false;
}

bool CommunicationWatch::alarmEnabledIn(const QString &projectFile)
{
    return ProjectFile(projectFile).readValue(kSettingKey).toString() != QLatin1String("false");
}

bool CommunicationWatch::setAlarmEnabledIn(const QString &projectFile, bool on)
{
    return ProjectFile(projectFile).writeValue(kSettingKey, on);
}
