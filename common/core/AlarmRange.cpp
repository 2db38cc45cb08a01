#include "AlarmRange.h"

#include "core/NoValue.h"

bool AlarmRange::isOutside(double value, float lower, float upper)
{
    if (value == NoValue)
        return false;
    if (!hasLimits(lower, upper))
        return false;
    return double(lower) > value || value > double(upper);
}
