#include "LineBreaks.h"

#include "core/NoValue.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

template <typename Time> qint64 medianStep(const Time *times, int n)
{
    if (n < 2)
        return 0;
    std::vector<qint64> steps(static_cast<size_t>(n - 1));
    for (int i = 1; i < n; ++i)
        steps[size_t(i - 1)] = qint64(times[i]) - qint64(times[i - 1]);
    const auto middle = steps.begin() + std::ptrdiff_t(steps.size() / 2);
    std::nth_element(steps.begin(), middle, steps.end());
    return std::max<qint64>(0, *middle);
}

bool hasValue(double v)
{
    return v != NoValue && std::isfinite(v);
}

} // namespace

qint64 LineBreaks::usualStep(const quint32 *times, int n)
{
    return medianStep(times, n);
}

qint64 LineBreaks::usualStep(const qint64 *times, int n)
{
    return medianStep(times, n);
}

qint64 LineBreaks::channelInterval(int dataIntervalMs, qint64 usualStep)
{
    return std::max<qint64>({1, (qint64(dataIntervalMs) + 999) / 1000, usualStep});
}

QVector<int> LineBreaks::outages(const quint32 *times, int n, qint64 limit)
{
    QVector<int> out;
    for (int i = 1; i < n; ++i)
        if (!joins(times[i - 1], times[i], limit))
            out.append(i);
    return out;
}

QVector<qint64> LineBreaks::breakTimes(const qint64 *times, const double *values, int n,
                                       qint64 limit)
{
    QVector<qint64> out;
    bool seenValue = false;
    bool pending = false;
    qint64 at = 0;
    for (int i = 0; i < n; ++i) {
        if (!hasValue(values[i])) {
            if (seenValue && !pending) {
                pending = true;
                at = times[i];
            }
            continue;
        }
        // Without a null in between, the previous row is the previous value.
        if (seenValue && !pending && !joins(times[i - 1], times[i], limit)) {
            pending = true;
            at = times[i - 1] + (times[i] - times[i - 1]) / 2;
        }
        if (pending)
            out.append(at);
        pending = false;
        seenValue = true;
    }
    return out;
}
