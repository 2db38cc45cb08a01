#include "LinearScale.h"

#include <algorithm>
#include <cmath>

namespace {

int maxIntervals(double lengthPx, int density)
{
    if (!(lengthPx > 0) || density <= 0)
        return 1;
    return std::max(1, std::min(LinearScale::MaxTicks, static_cast<int>(lengthPx / density)));
}

double minorFor(double major, double lengthPx, double range, int minorDensity)
{
    if (minorDensity <= 0 || !(range > 0) || !(lengthPx > 0))
        return major;
    const double pxPerUnit = lengthPx / range;
    for (int div : {10, 5, 2}) {
        const double s = major / div;
        if (s * pxPerUnit >= minorDensity && range / s <= LinearScale::MaxTicks * 5)
            return s;
    }
    return major;
}

} // namespace

double LinearScale::neatStep(double minStep)
{
    if (!std::isfinite(minStep) || minStep <= 0)
        return 1;
    const double p = std::pow(10.0, std::floor(std::log10(minStep)));
    for (double m : {1.0, 2.0, 5.0, 10.0}) {
        if (m * p >= minStep * (1 - 1e-12))
            return m * p;
    }
    return 10 * p;
}

std::vector<double> LinearScale::ticksBetween(double lower, double upper, double step)
{
    std::vector<double> out;
    if (!(step > 0) || !std::isfinite(lower) || !std::isfinite(upper) || upper < lower)
        return out;
    if ((upper - lower) / step > MaxTicks * 5)
        return out;
    const double eps = step * 1e-9;
    const double first = std::ceil((lower - eps) / step);
    for (double k = first;; k += 1) {
        const double v = k * step;
        if (v > upper + eps)
            break;
        out.push_back(std::fabs(v) < eps ? 0.0 : v);
    }
    return out;
}

int LinearScale::decimalsFor(double step)
{
    if (!(step > 0) || !std::isfinite(step))
        return 0;
    return std::max(0, std::min(10, static_cast<int>(-std::floor(std::log10(step) + 1e-9))));
}

ScaleTicks LinearScale::autoScale(double dataMin, double dataMax, double lengthPx, int majorDensity,
                                  int minorDensity, double zeroAffinity)
{
    double lo = dataMin;
    double hi = dataMax;
    if (!std::isfinite(lo) || !std::isfinite(hi) || lo > hi) {
        lo = 0;
        hi = 10;
    }
    if (lo == hi) {
        const double half = lo == 0 ? 1 : std::fabs(lo) * 0.1;
        lo -= half;
        hi += half;
    }
    if (lo > 0 && hi - lo >= zeroAffinity * hi)
        lo = 0;
    else if (hi < 0 && hi - lo >= zeroAffinity * -lo)
        hi = 0;

    const int intervals = maxIntervals(lengthPx, majorDensity);
    double step = neatStep((hi - lo) / intervals);
    ScaleTicks r;
    for (int guard = 0; guard < 64; ++guard) {
        r.lower = std::floor(lo / step) * step;
        r.upper = std::ceil(hi / step) * step;
        if ((r.upper - r.lower) / step <= intervals + 1e-9)
            break;
        step = neatStep(step * 1.5);
    }
    if (r.upper <= r.lower)
        r.upper = r.lower + step;
    r.majorStep = step;
    r.minorStep = minorFor(step, lengthPx, r.upper - r.lower, minorDensity);
    r.major = ticksBetween(r.lower, r.upper, step);
    if (r.minorStep < step)
        r.minor = ticksBetween(r.lower, r.upper, r.minorStep);
    return r;
}

ScaleTicks LinearScale::fixedScale(double lower, double upper, double lengthPx, int majorDensity,
                                   int minorDensity, double majorStep, double minorStep)
{
    ScaleTicks r;
    if (!r.setRange(lower, upper))
        return r;
    lower = r.lower;
    upper = r.upper;
    const double range = upper - lower;
    r.majorStep = majorStep > 0 && range / majorStep <= MaxTicks
                      ? majorStep
                      : neatStep(range / maxIntervals(lengthPx, majorDensity));
    r.minorStep = minorStep > 0 && range / minorStep <= MaxTicks * 5
                      ? minorStep
                      : minorFor(r.majorStep, lengthPx, range, minorDensity);
    r.major = ticksBetween(lower, upper, r.majorStep);
    if (r.minorStep < r.majorStep)
        r.minor = ticksBetween(lower, upper, r.minorStep);
    return r;
}
