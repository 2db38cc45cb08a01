#include "DaySummary.h"

#include "core/AlarmRange.h"
#include "core/NoValue.h"
#include "series/LineBreaks.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

bool hasValue(double v)
{
    return v != NoValue && std::isfinite(v);
}

} // namespace

DaySummary::Scale DaySummary::scaleOf(int unitCode)
{
    return unitCode == 1 ? Celsius : unitCode == 2 ? Fahrenheit : NotTemperature;
}

double DaySummary::toKelvin(double value, Scale scale)
{
    return scale == Fahrenheit ? (value - 32) * 5 / 9 + ZeroCelsius : value + ZeroCelsius;
}

double DaySummary::fromKelvin(double kelvin, Scale scale)
{
    return scale == Fahrenheit ? (kelvin - ZeroCelsius) * 9 / 5 + 32 : kelvin - ZeroCelsius;
}

bool DaySummary::meanKineticKelvin(const double *kelvin, int n, double *result)
{
    if (n <= 0)
        return false;
    // exp(-E/RT) is about 1e-15 at room temperature: sum it relative to its
    // largest term so that no reading underflows.
    const double ratio = ActivationEnergy / GasConstant;
    double top = -INFINITY;
    for (int i = 0; i < n; ++i) {
        if (!(kelvin[i] > 0))
            return false;
        top = std::max(top, -ratio / kelvin[i]);
    }
    double sum = 0;
    for (int i = 0; i < n; ++i)
        sum += std::exp(-ratio / kelvin[i] - top);
    *result = ratio / -(top + std::log(sum / n));
    return std::isfinite(*result);
}

DaySummary DaySummary::of(const qint64 *times, const double *values, int n, Scale scale,
                          float lower, float upper, qint64 intervalSeconds)
{
    DaySummary s;
    s.hasLimits = AlarmRange::hasLimits(lower, upper);
    const qint64 limit = LineBreaks::GapIntervals * intervalSeconds;
    std::vector<double> kelvin;
    if (scale != NotTemperature)
        kelvin.reserve(static_cast<size_t>(n));
    double sum = 0;
    bool previousOutside = false;
    for (int i = 0; i < n; ++i) {
        const double v = values[i];
        if (!hasValue(v)) {
            previousOutside = false;
            continue;
        }
        if (s.readings == 0) {
            s.minimum = v;
            s.maximum = v;
        }
        ++s.readings;
        sum += v;
        s.minimum = std::min(s.minimum, v);
        s.maximum = std::max(s.maximum, v);
        if (scale != NotTemperature)
            kelvin.push_back(toKelvin(v, scale));

        const bool outside = AlarmRange::isOutside(v, lower, upper);
        if (outside) {
            if (!previousOutside || !LineBreaks::joins(times[i - 1], times[i], limit))
                ++s.excursions;
            s.excursionSeconds += i + 1 < n && LineBreaks::joins(times[i], times[i + 1], limit)
                                      ? times[i + 1] - times[i]
                                      : intervalSeconds;
        }
        previousOutside = outside;
    }
    if (s.readings > 0)
        s.average = sum / s.readings;
    double mkt = 0;
    if (meanKineticKelvin(kelvin.data(), int(kelvin.size()), &mkt)) {
        s.hasMeanKinetic = true;
        s.meanKinetic = fromKelvin(mkt, scale);
    }
    return s;
}
