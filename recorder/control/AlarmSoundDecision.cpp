#include "AlarmSoundDecision.h"

#include "ConfiguredDevice.h"

AlarmSoundDecision::Action AlarmSoundDecision::decide(const QList<ConfiguredDevice *> &devices,
                                                      bool playing)
{
    for (const ConfiguredDevice *device : devices) {
        if (device && (device->ch1Alarm || device->ch2Alarm))
            return playing ? Keep : Play;
    }
    return Stop;
}
