#pragma once

// The alarm decision for one channel reading against its limits, shared by
// the recorder's alarms and the report's excursions.
class AlarmRange
{
public:
    // Equal limits switch the alarm off (both 0 is a new channel's state).
    static bool hasLimits(float lower, float upper) { return lower != upper; }
    // Limits are single precision and are widened to double, so a lower
    // limit of 30.1f lies slightly above 30.1 and a reading of 30.10 alarms.
    // Equal limits switch the alarm off; NoValue never alarms.
    static bool isOutside(double value, float lower, float upper);
};
