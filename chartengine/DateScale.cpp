#include "DateScale.h"

#include "ChartDate.h"

#include <algorithm>
#include <cmath>

namespace {

using Step = DateScale::Step;

const std::vector<Step> &candidates()
{
    static const std::vector<Step> steps = [] {
        std::vector<Step> s;
        for (int secs : {1,     2,     5,     10,    15,        30,        60,        120,
                         300,   600,   900,   1200,  1800,      3600,      7200,      10800,
                         14400, 21600, 43200, 86400, 2 * 86400, 3 * 86400, 7 * 86400, 14 * 86400})
            s.push_back({DateScale::Seconds, secs});
        for (int months : {1, 2, 3, 4, 6})
            s.push_back({DateScale::Months, months});
        for (int years : {1, 2, 5, 10, 20, 50, 100, 200, 500, 1000, 2000, 5000})
            s.push_back({DateScale::Years, years});
        return s;
    }();
    return steps;
}

bool divides(const Step &minor, const Step &major)
{
    if (major.unit == DateScale::Seconds)
        return minor.unit == DateScale::Seconds && major.count % minor.count == 0;
    const int majorMonths = major.unit == DateScale::Months ? major.count : major.count * 12;
    if (minor.unit == DateScale::Seconds)
        return false;
    const int minorMonths = minor.unit == DateScale::Months ? minor.count : minor.count * 12;
    return majorMonths % minorMonths == 0;
}

} // namespace

double DateScale::Step::approxSeconds() const
{
    switch (unit) {
    case Months:
        return count * 30.436875 * 86400;
    case Years:
        return count * 365.2425 * 86400;
    default:
        return count;
    }
}

DateScale::Step DateScale::chooseStep(double rangeSeconds, double lengthPx, int density)
{
    const std::vector<Step> &all = candidates();
    if (!(rangeSeconds > 0) || !(lengthPx > 0))
        return all.back();
    const double minSeconds = rangeSeconds * std::max(1, density) / lengthPx;
    for (const Step &s : all) {
        if (s.approxSeconds() >= minSeconds)
            return s;
    }
    return all.back();
}

DateScale::Step DateScale::chooseMinorStep(const Step &major, double rangeSeconds, double lengthPx,
                                           int density)
{
    if (density <= 0 || !(rangeSeconds > 0) || !(lengthPx > 0))
        return major;
    const double minSeconds = rangeSeconds * density / lengthPx;
    for (const Step &s : candidates()) {
        if (s.approxSeconds() >= major.approxSeconds())
            break;
        if (s.approxSeconds() >= minSeconds && divides(s, major))
            return s;
    }
    return major;
}

std::vector<double> DateScale::ticks(double lower, double upper, const Step &step)
{
    std::vector<double> out;
    if (!std::isfinite(lower) || !std::isfinite(upper) || upper < lower || step.count <= 0)
        return out;
    lower = std::max(0.0, lower);
    upper = std::min(ChartDate::MaxTime, upper);
    if (step.unit == Seconds) {
        const double s = step.count;
        if ((upper - lower) / s > MaxTicks)
            return out;
        for (double t = std::ceil(lower / s) * s; t <= upper; t += s)
            out.push_back(t);
        return out;
    }
    const ChartDate d = ChartDate::fromChartTime(lower);
    if (step.unit == Months) {
        int month = d.year * 12 + (d.month - 1);
        month += (step.count - month % step.count) % step.count;
        for (;; month += step.count) {
            const double t = ChartDate::startOfMonth(month / 12, month % 12 + 1);
            if (t > upper || static_cast<int>(out.size()) >= MaxTicks)
                break;
            if (t >= lower)
                out.push_back(t);
        }
        return out;
    }
    int year = d.year + (step.count - d.year % step.count) % step.count;
    for (;; year += step.count) {
        const double t = ChartDate::startOfYear(year);
        if (t > upper || static_cast<int>(out.size()) >= MaxTicks)
            break;
        if (t >= lower)
            out.push_back(t);
    }
    return out;
}

ScaleTicks DateScale::scale(double lower, double upper, double lengthPx, int majorDensity,
                            int minorDensity, double majorInc, double minorInc)
{
    ScaleTicks r;
    if (!r.setRange(lower, upper))
        return r;
    lower = r.lower;
    upper = r.upper;
    const double range = upper - lower;
    Step major;
    if (majorInc > 0 && range / majorInc <= MaxTicks)
        major = {Seconds, static_cast<int>(std::min(majorInc, 2e9))};
    else
        major = chooseStep(range, lengthPx, majorDensity);
    Step minor;
    if (minorInc > 0 && range / minorInc <= MaxTicks)
        minor = {Seconds, static_cast<int>(std::min(minorInc, 2e9))};
    else
        minor = chooseMinorStep(major, range, lengthPx, minorDensity);
    r.majorStep = major.approxSeconds();
    r.minorStep = minor.approxSeconds();
    r.major = ticks(lower, upper, major);
    if (r.minorStep < r.majorStep)
        r.minor = ticks(lower, upper, minor);
    return r;
}

QString DateScale::defaultFormat(double stepSeconds)
{
    if (stepSeconds < 60)
        return QStringLiteral("hh:nn:ss");
    if (stepSeconds < 86400)
        return QStringLiteral("hh:nn");
    if (stepSeconds < 28 * 86400)
        return QStringLiteral("mmm dd");
    if (stepSeconds < 365 * 86400)
        return QStringLiteral("mmm yyyy");
    return QStringLiteral("yyyy");
}
