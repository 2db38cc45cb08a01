#pragma once

#include "EventNames.h"
#include "EventRecord.h"

#include <QString>

// The event log in words, for the recorder's Events view, messages and the
// daily report. Device and channel names come from the project; times are
// shown in local time.
class EventText
{
public:
    // "Alarm", "Recording resumed after an unexpected end", ...; a kind this
    // program does not know (written by a newer one) is shown as stored.
    static QString title(const QString &kind);
    // Local time "yyyy-MM-dd hh:mm:ss".
    static QString time(qint64 unixSeconds);
    // The value and the limit as the event's kind means them: a reading with
    // the channel's unit, or bytes for the storage warnings. Empty without one.
    static QString value(const EventRecord &event, const EventNames &names);
    static QString limit(const EventRecord &event, const EventNames &names);
    // What value and limit do not tell: which limit was crossed, who
    // acknowledged, what changed, how often a flapping alarm repeated...
    static QString note(const EventRecord &event);
    // One line with all of it, for a message or a report.
    static QString sentence(const EventRecord &event, const EventNames &names);
};
