#pragma once

#include <algorithm>
#include <cmath>
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

    // Takes the ends in either order and widens an empty range to 1; false
    // (and nothing set) when an end is not a finite number.
    bool setRange(double from, double to)
    {
        if (!std::isfinite(from) || !std::isfinite(to))
            return false;
        if (to < from)
            std::swap(from, to);
        lower = from;
        upper = to == from ? from + 1 : to;
        return true;
    }
};
