#pragma once

#include <QList>

class ConfiguredDevice;

// What the clock tick does with the alarm sound while the project panel is
// shown: it sounds while any channel of any device is in alarm, is started
// once and loops, and stops on the first tick without an alarm.
class AlarmSoundDecision
{
public:
    enum Action
    {
        Keep,
        Play,
        Stop
    };

    static Action decide(const QList<ConfiguredDevice *> &devices, bool playing);
};
