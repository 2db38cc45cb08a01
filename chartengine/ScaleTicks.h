#pragma once

#include <vector>

// The result of scaling one axis: its ends and the tick positions inside them.
struct ScaleTicks
{
    double lower = 0;
    double upper = 1;
    double majorStep = 0;
    double minorStep = 0;
    std::vector<double> major;
    std::vector<double> minor;
};
