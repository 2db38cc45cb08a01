#pragma once

#include "ScaleTicks.h"

// Neat linear scales: steps of 1, 2 or 5 times a power of ten, chosen so that
// ticks are at least the tick density apart.
class LinearScale
{
public:
    // The most ticks a scale may hold, whatever the density and length.
    static constexpr int MaxTicks = 1000;

    static double neatStep(double minStep);
    // Scales to the data, extending both ends to neat ticks. An empty range
    // (min > max) gives 0 .. 10.
    static ScaleTicks autoScale(double dataMin, double dataMax, double lengthPx, int majorDensity,
                                int minorDensity, double zeroAffinity = 0.8);
    // Keeps the given ends; a step of 0 is chosen from the densities.
    static ScaleTicks fixedScale(double lower, double upper, double lengthPx, int majorDensity,
                                 int minorDensity, double majorStep = 0, double minorStep = 0);
    static std::vector<double> ticksBetween(double lower, double upper, double step);
    // Decimals needed to print values at the given step.
    static int decimalsFor(double step);
};
