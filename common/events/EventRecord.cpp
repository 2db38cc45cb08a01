#include "EventRecord.h"

bool EventRecord::operator==(const EventRecord &o) const
{
    return time == o.time && kind == o.kind && serialNo == o.serialNo && channel == o.channel &&
           value == o.value && limit == o.limit && detail == o.detail && repeats == o.repeats;
}
