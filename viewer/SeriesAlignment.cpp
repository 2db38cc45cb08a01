#include "SeriesAlignment.h"

#include "core/NoValue.h"

#include <algorithm>
#include <numeric>

void DeviceRows::clear()
{
    times.clear();
    values[0].clear();
    values[1].clear();
}

void DeviceRows::sortByTime()
{
    const size_t n = times.size();
    if (std::is_sorted(times.begin(), times.end()))
        return;
    // The time above the row index: one plain sort keeps equal times in scan
    // order.
    std::vector<quint64> keys(n);
    for (size_t i = 0; i < n; ++i)
        keys[i] = (quint64(times[i]) << 32) | quint64(i);
    std::sort(keys.begin(), keys.end());
    for (size_t i = 0; i < n; ++i)
        times[i] = quint32(keys[i] >> 32);
    for (std::vector<double> &v : values) {
        if (v.size() != n)
            continue;
        std::vector<double> sorted(n);
        for (size_t i = 0; i < n; ++i)
            sorted[i] = v[size_t(keys[i] & 0xffffffffu)];
        v.swap(sorted);
    }
}

namespace {

// A device's rows in time order, one entry per distinct time: its time, the
// index of the last row with it (scan order) and how many rows share it.
struct DeviceOrder
{
    bool identity = false; // already ascending without repeats: rows as they are
    std::vector<quint32> times;
    std::vector<qint32> last;
    std::vector<qint32> repeats;

    int size(const DeviceRows &rows) const
    {
        return identity ? static_cast<int>(rows.times.size()) : static_cast<int>(times.size());
    }
    quint32 timeAt(const DeviceRows &rows, int i) const
    {
        return identity ? rows.times[static_cast<size_t>(i)] : times[static_cast<size_t>(i)];
    }
    int lastRow(int i) const { return identity ? i : last[static_cast<size_t>(i)]; }
    int repeatCount(int i) const { return identity ? 1 : repeats[static_cast<size_t>(i)]; }
};

DeviceOrder orderOf(const DeviceRows &rows)
{
    DeviceOrder o;
    const std::vector<quint32> &t = rows.times;
    const size_t n = t.size();
    bool strictly = true;
    bool ascending = true;
    for (size_t i = 1; i < n && ascending; ++i) {
        if (t[i] <= t[i - 1]) {
            strictly = false;
            ascending = t[i] == t[i - 1];
        }
    }
    if (strictly) {
        o.identity = true;
        return o;
    }
    std::vector<qint32> index;
    if (!ascending) {
        index.resize(n);
        std::iota(index.begin(), index.end(), 0);
        std::stable_sort(index.begin(), index.end(),
                         [&t](qint32 a, qint32 b) { return t[size_t(a)] < t[size_t(b)]; });
    }
    auto rowAt = [&](size_t k) { return ascending ? static_cast<qint32>(k) : index[k]; };
    for (size_t k = 0; k < n;) {
        const quint32 time = t[size_t(rowAt(k))];
        size_t e = k + 1;
        while (e < n && t[size_t(rowAt(e))] == time)
            ++e;
        o.times.push_back(time);
        o.last.push_back(rowAt(e - 1));
        o.repeats.push_back(static_cast<qint32>(e - k));
        k = e;
    }
    return o;
}

} // namespace

AlignedSeries alignSeries(const std::vector<DeviceRows> &devices,
                          const std::vector<ChannelRef> &channels)
{
    AlignedSeries result;
    const int channelCount = static_cast<int>(channels.size());
    result.values.resize(channelCount);
    result.points.resize(channelCount);
    for (int ci = 0; ci < channelCount; ++ci) {
        const int d = channels[size_t(ci)].device;
        result.points[ci].all = d >= 0 && d < static_cast<int>(devices.size());
    }

    // Devices that selected channels read, each ordered once.
    std::vector<int> used;
    for (const ChannelRef &c : channels)
        if (c.device >= 0 && c.device < static_cast<int>(devices.size()) &&
            std::find(used.begin(), used.end(), c.device) == used.end())
            used.push_back(c.device);
    std::vector<DeviceOrder> orders(devices.size());
    for (int d : used)
        orders[size_t(d)] = orderOf(devices[size_t(d)]);

    auto valueOf = [&](const ChannelRef &c, int row) {
        const std::vector<double> &v = devices[size_t(c.device)].values[c.column];
        return row < static_cast<int>(v.size()) ? v[size_t(row)] : NoValue;
    };

    if (channelCount == 1) {
        const ChannelRef &c = channels.front();
        if (used.empty())
            return result;
        const DeviceRows &rows = devices[size_t(c.device)];
        const DeviceOrder &o = orders[size_t(c.device)];
        const int n = static_cast<int>(rows.times.size());
        result.times.resize(n);
        result.values[0].resize(n);
        quint32 *times = result.times.data();
        double *values = result.values[0].data();
        int out = 0;
        for (int i = 0, m = o.size(rows); i < m; ++i) {
            const quint32 t = o.timeAt(rows, i);
            const double v = valueOf(c, o.lastRow(i));
            for (int r = o.repeatCount(i); r > 0; --r) {
                times[out] = t;
                values[out] = v;
                ++out;
            }
        }
        return result;
    }

    // Distinct union of the used devices' time points (a k-way merge).
    const int k = static_cast<int>(used.size());
    std::vector<int> head(size_t(k), 0);
    std::vector<int> sizes(static_cast<size_t>(k));
    size_t total = 0;
    for (int j = 0; j < k; ++j) {
        sizes[size_t(j)] = orders[size_t(used[size_t(j)])].size(devices[size_t(used[size_t(j)])]);
        total = std::max(total, size_t(sizes[size_t(j)]));
    }
    std::vector<quint32> merged;
    merged.reserve(total);
    for (;;) {
        bool any = false;
        quint32 next = 0;
        for (int j = 0; j < k; ++j) {
            if (head[size_t(j)] >= sizes[size_t(j)])
                continue;
            const int d = used[size_t(j)];
            const quint32 t = orders[size_t(d)].timeAt(devices[size_t(d)], head[size_t(j)]);
            if (!any || t < next)
                next = t;
            any = true;
        }
        if (!any)
            break;
        merged.push_back(next);
        for (int j = 0; j < k; ++j) {
            const int d = used[size_t(j)];
            if (head[size_t(j)] < sizes[size_t(j)] &&
                orders[size_t(d)].timeAt(devices[size_t(d)], head[size_t(j)]) == next)
                ++head[size_t(j)];
        }
    }
    const int n = static_cast<int>(merged.size());
    result.times.resize(n);
    std::copy(merged.begin(), merged.end(), result.times.begin());
    merged = std::vector<quint32>();

    for (int ci = 0; ci < channelCount; ++ci) {
        const ChannelRef &c = channels[size_t(ci)];
        QVector<double> &out = result.values[ci];
        out.fill(NoValue, n);
        if (!result.points[ci].all)
            continue;
        const DeviceRows &rows = devices[size_t(c.device)];
        const DeviceOrder &o = orders[size_t(c.device)];
        double *values = out.data();
        const quint32 *times = result.times.constData();
        int h = 0;
        const int m = o.size(rows);
        if (m == n) {
            // Its device has a row at every time point of the union.
            for (int i = 0; i < n; ++i)
                values[i] = valueOf(c, o.lastRow(i));
            continue;
        }
        ChannelPoints &own = result.points[ci];
        own.all = false;
        own.index.reserve(m);
        for (int i = 0; i < n && h < m; ++i) {
            if (o.timeAt(rows, h) == times[i]) {
                values[i] = valueOf(c, o.lastRow(h));
                own.index.append(i);
                ++h;
            }
        }
    }
    return result;
}
