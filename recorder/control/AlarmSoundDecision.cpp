#include "AlarmSoundDecision.h"

#include "ConfiguredDevice.h"

AlarmSoundDecision::Action AlarmSoundDecision::decide(const QList<ConfiguredDevice *> &devices,
                                                      bool playing)
{
    return decide(anyChannelAlarm(devices), playing);
}

AlarmSoundDecision::Action AlarmSoundDecision::decide(bool unacknowledgedAlarm, bool playing)
{
    if (!unacknowledgedAlarm)
        return Stop;
    return playing ? Keep : Play;
}

bool AlarmSoundDecision::anyChannelAlarm(const QList<ConfiguredDevice *> &devices)
{
    for (const ConfiguredDevice *device : devices) {
        if (device && (device->ch1Alarm || device->ch2Alarm))
            return true;
    }
    return false;
}
