#include "ChartDate.h"

#include <cmath>

namespace {

constexpr long long EpochShift = 719162; // days from 0001-01-01 to 1970-01-01

long long daysFromCivil1970(long long y, unsigned m, unsigned d)
{
    y -= m <= 2;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<long long>(doe) - 719468;
}

void civilFromDays1970(long long z, int &y, int &m, int &d)
{
    z += 719468;
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    y = static_cast<int>(static_cast<long long>(yoe) + era * 400 + (m <= 2));
}

} // namespace

long long ChartDate::fromCivil(int y, int m, int d)
{
    long long yy = y;
    long long mm = m - 1;
    yy += mm >= 0 ? mm / 12 : (mm - 11) / 12;
    mm = ((mm % 12) + 12) % 12;
    return daysFromCivil1970(yy, static_cast<unsigned>(mm + 1), 1) + EpochShift + (d - 1);
}

double ChartDate::startOfYear(int y)
{
    return fromCivil(y, 1, 1) * 86400.0;
}

double ChartDate::startOfMonth(int y, int m)
{
    return fromCivil(y, m, 1) * 86400.0;
}

ChartDate ChartDate::fromChartTime(double t)
{
    ChartDate r;
    if (!std::isfinite(t) || t < 0)
        t = 0;
    if (t > MaxTime)
        t = MaxTime;
    const double whole = std::floor(t);
    r.fraction = t - whole;
    const long long secs = static_cast<long long>(whole);
    const long long days = secs / 86400;
    const int tod = static_cast<int>(secs % 86400);
    civilFromDays1970(days - EpochShift, r.year, r.month, r.day);
    r.hour = tod / 3600;
    r.minute = tod / 60 % 60;
    r.second = tod % 60;
    r.weekday = static_cast<int>((days + 1) % 7); // 0001-01-01 was a Monday
    return r;
}
