#pragma once

// The alarm decision for one channel reading against its limits.
class AlarmRange
{
public:
    // Limits are single precision and are widened to double, so a lower
    // limit of 30.1f lies slightly above 30.1 and a reading of 30.10 alarms.
    // Equal limits switch the alarm off; NoValue never alarms.
    static bool isOutside(double value, float lower, float upper);
};
