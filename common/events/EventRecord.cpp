#include "EventRecord.h"

bool EventRecord::operator==(const EventRecord &o) const
{
    return time == o.time && kind == o.kind && serialNo == o.serialNo && channel == o.channel &&
           value == o.value && limit == o.limit && detail == o.detail && repeats == o.repeats;
}

EventRecord EventRecord::of(qint64 time, const QString &kind, const QString &serialNo, int channel)
{
    EventRecord e;
    e.time = time;
    e.kind = kind;
    e.serialNo = serialNo;
    e.channel = channel;
    return e;
}
