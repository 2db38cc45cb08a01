#pragma once

#include <QList>

class ConfiguredDevice;

// What the clock tick does with the alarm sound while the project panel is
// shown: it sounds while an alarm is on, is started once and loops, and stops
// on the first tick without one.
class AlarmSoundDecision
{
public:
    enum Action
    {
        Keep,
        Play,
        Stop
    };

    // Any channel of any device in alarm.
    static Action decide(const QList<ConfiguredDevice *> &devices, bool playing);
    // With the acknowledge: only an alarm nobody acknowledged sounds, be it
    // a channel's or a lost device's.
    static Action decide(bool unacknowledgedAlarm, bool playing);
    static bool anyChannelAlarm(const QList<ConfiguredDevice *> &devices);
};
