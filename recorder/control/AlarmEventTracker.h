#pragma once

#include "events/EventRecord.h"

#include <QMap>
#include <QPair>
#include <QString>
#include <QVector>

// Turns the alarm state of every channel into alarm_begin and alarm_end
// events. A channel that goes back into alarm within a minute of leaving it
// is flapping: that is no new alarm, and its end is held back until it has
// stayed out for a minute, then written once with the number of alarms it
// merged, so a value dancing on a limit cannot flood the log or the sound.
class AlarmEventTracker
{
public:
    static constexpr qint64 MergeSeconds = 60;

    struct Result
    {
        QVector<EventRecord> events;
        // A channel entered alarm that was not merged into an earlier one.
        bool newAlarm = false;
    };

    // One look at a channel: whether it is in alarm, the reading (NoValue for
    // none) and the limits it was judged by, at the reading's time. Looking
    // again without a change does nothing.
    Result observe(const QString &serialNo, int channel, bool inAlarm, double value, float lower,
                   float upper, qint64 time);
    // The held ends whose minute is over, or all of them when the clock went
    // back behind them.
    QVector<EventRecord> releaseDue(qint64 now);
    // The project closes: every held end, an end for every alarm still on,
    // and a fresh start.
    QVector<EventRecord> finish(qint64 now);

    bool anyInAlarm() const;
    // In alarm, or flapping and within a minute of its last alarm: the sound
    // keeps going through a flapping channel instead of stuttering.
    bool anySounding() const;

private:
    struct Channel
    {
        bool inAlarm = false;
        double limit = 0; // the limit crossed when the alarm began
        int repeats = 0;  // alarms merged since the begin event
        bool endHeld = false;
        EventRecord end;
    };

    QMap<QPair<QString, int>, Channel> m_channels; // ordered, so events come out in a fixed order
};
