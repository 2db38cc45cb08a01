#pragma once

#include "ScaleTicks.h"

#include <QString>

// Round label steps for time axes (seconds, minutes, hours, days, months,
// years) and the tick positions at round chart times.
class DateScale
{
public:
    enum Unit
    {
        Seconds,
        Months,
        Years
    };
    struct Step
    {
        Unit unit = Seconds;
        int count = 1;
        double approxSeconds() const;
    };

    static constexpr int MaxTicks = 2000;

    // The smallest round step whose ticks are at least density pixels apart.
    static Step chooseStep(double rangeSeconds, double lengthPx, int density);
    // The smallest round step dividing the major step that keeps minor ticks at
    // least density pixels apart; the major step itself when none does.
    static Step chooseMinorStep(const Step &major, double rangeSeconds, double lengthPx,
                                int density);
    static std::vector<double> ticks(double lower, double upper, const Step &step);
    // Keeps the given ends and places ticks at round times; majorInc and
    // minorInc in seconds override the automatic steps when above 0.
    static ScaleTicks scale(double lower, double upper, double lengthPx, int majorDensity,
                            int minorDensity, double majorInc = 0, double minorInc = 0);
    // The label pattern used when the caller set none.
    static QString defaultFormat(double stepSeconds);
};
