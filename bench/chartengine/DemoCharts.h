#pragma once

// Sample data for the recorder's live channel chart, shared by the PNG demo
// and the benchmark.
namespace DemoCharts {

struct LiveSeries
{
    double times[240];
    double values[240];
};

// A live history ending at newest with interval seconds between readings and
// some missing readings.
LiveSeries makeLiveSeries(double newest, int intervalMs, int missingEvery);

} // namespace DemoCharts
