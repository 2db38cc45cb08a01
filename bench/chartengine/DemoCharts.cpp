#include "DemoCharts.h"

#include "Chart.h"

#include <cmath>

namespace DemoCharts {

LiveSeries makeLiveSeries(double newest, int intervalMs, int missingEvery)
{
    LiveSeries s;
    for (int i = 0; i < 240; ++i) {
        s.times[i] = newest - (239 - i) * (intervalMs / 1000);
        s.values[i] = 22.5 + 1.5 * std::sin(i / 20.0) + 0.3 * std::sin(i * 1.7);
        if (missingEvery > 0 && i % missingEvery == missingEvery - 1)
            s.values[i] = Chart::NoValue;
    }
    return s;
}

} // namespace DemoCharts
