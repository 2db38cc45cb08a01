#include "LocalTimeMap.h"

#include <ctime>

namespace {

constexpr qint64 Step = 3600; // offsets change at most once per step

// Days since 1970-01-01 to a civil date (H. Hinnant's algorithm).
void civilFromDays(qint64 z, int &y, unsigned &m, unsigned &d)
{
    z += 719468;
    const qint64 era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const qint64 yy = static_cast<qint64>(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = doy - (153 * mp + 2) / 5 + 1;
    m = mp < 10 ? mp + 3 : mp - 9;
    y = static_cast<int>(yy + (m <= 2));
}

inline void two(char *p, unsigned v)
{
    p[0] = static_cast<char>('0' + v / 10);
    p[1] = static_cast<char>('0' + v % 10);
}

} // namespace

int LocalTimeMap::systemOffset(qint64 unixSeconds)
{
    const time_t t = static_cast<time_t>(unixSeconds);
    struct tm local;
    if (!localtime_r(&t, &local))
        return 0;
    return static_cast<int>(local.tm_gmtoff);
}

LocalTimeMap::LocalTimeMap(qint64 first, qint64 last)
{
    if (last < first)
        last = first;
    // Wide enough margins for the squeezed spans next to the range ends.
    qint64 t = first - 3 * Step;
    const qint64 end = last + 3 * Step;
    int offset = systemOffset(t);
    m_segments.push_back({t, offset});
    while (t < end) {
        const qint64 next = t + Step;
        const int nextOffset = systemOffset(next);
        if (nextOffset != offset) {
            // The first second with the new offset lies in (t, next].
            qint64 lo = t, hi = next;
            while (hi - lo > 1) {
                const qint64 mid = lo + (hi - lo) / 2;
                if (systemOffset(mid) == offset)
                    lo = mid;
                else
                    hi = mid;
            }
            m_segments.push_back({hi, nextOffset});
            offset = nextOffset;
        }
        t = next;
    }
}

int LocalTimeMap::segmentIndex(qint64 u) const
{
    int lo = 0, hi = static_cast<int>(m_segments.size()) - 1;
    while (lo < hi) {
        const int mid = (lo + hi + 1) / 2;
        if (m_segments[static_cast<size_t>(mid)].from <= u)
            lo = mid;
        else
            hi = mid - 1;
    }
    return lo;
}

int LocalTimeMap::offsetAt(qint64 u) const
{
    return m_segments[static_cast<size_t>(segmentIndex(u))].offset;
}

double LocalTimeMap::chartTime(qint64 u) const
{
    const int i = segmentIndex(u);
    const Segment &s = m_segments[static_cast<size_t>(i)];
    // Inside the first real lived span [T - d, T) of a backward change at T?
    if (i + 1 < static_cast<int>(m_segments.size())) {
        const Segment &n = m_segments[static_cast<size_t>(i) + 1];
        const qint64 d = s.offset - n.offset;
        if (d > 0 && u >= n.from - d) {
            const double wall = static_cast<double>(n.from + n.offset);
            return ChartEpochOffset + wall + (u - (n.from - d)) * 0.5;
        }
    }
    // Inside the second lived span [T, T + d)?
    if (i > 0) {
        const Segment &p = m_segments[static_cast<size_t>(i) - 1];
        const qint64 d = p.offset - s.offset;
        if (d > 0 && u < s.from + d) {
            const double wall = static_cast<double>(s.from + s.offset);
            return ChartEpochOffset + wall + (u - (s.from - d)) * 0.5;
        }
    }
    return ChartEpochOffset + static_cast<double>(u + s.offset);
}

void LocalTimeMap::writeCivilText(qint64 s, char *out)
{
    qint64 days = s / 86400;
    qint64 rest = s % 86400;
    if (rest < 0) {
        rest += 86400;
        --days;
    }
    int y;
    unsigned m, d;
    civilFromDays(days, y, m, d);
    if (y < 0 || y > 9999)
        y = 0;
    out[0] = static_cast<char>('0' + y / 1000);
    out[1] = static_cast<char>('0' + y / 100 % 10);
    out[2] = static_cast<char>('0' + y / 10 % 10);
    out[3] = static_cast<char>('0' + y % 10);
    out[4] = '-';
    two(out + 5, m);
    out[7] = '-';
    two(out + 8, d);
    out[10] = ' ';
    const unsigned r = static_cast<unsigned>(rest);
    two(out + 11, r / 3600);
    out[13] = ':';
    two(out + 14, r / 60 % 60);
    out[16] = ':';
    two(out + 17, r % 60);
}

void LocalTimeMap::writeLocalText(qint64 u, char *out) const
{
    writeCivilText(u + offsetAt(u), out);
}

QString LocalTimeMap::localText(qint64 u) const
{
    char buf[19];
    writeLocalText(u, buf);
    return QString::fromLatin1(buf, 19);
}
