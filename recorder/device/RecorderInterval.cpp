#include "RecorderInterval.h"

int RecorderInterval::s_current = RecorderInterval::Initial;

int RecorderInterval::current()
{
    return s_current;
}

void RecorderInterval::setCurrent(int milliseconds)
{
    s_current = milliseconds;
}
