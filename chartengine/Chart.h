#pragma once

#include <QtGlobal>

// Constants and free helpers of the chart engine, named as the chart code of the
// recorder and the viewer calls them.
namespace Chart {

// Marks a missing value in every data array handed to the engine.
constexpr double NoValue = 1.7e308;

// Colours are 0xAARRGGBB with AA as transparency: 0x00 opaque, 0xff invisible.
constexpr int Transparent = static_cast<int>(0xff000000u);
constexpr int TextColor = 0x000000;
constexpr int LineColor = 0x000000;

// Text alignment codes around an anchor point.
enum Alignment
{
    BottomLeft = 1,
    BottomCenter = 2,
    BottomRight = 3,
    Left = 4,
    Center = 5,
    Right = 6,
    TopLeft = 7,
    TopCenter = 8,
    TopRight = 9,
};

// How the data sets of one layer combine.
enum DataCombineMethod
{
    Overlay = 0,
    Stack = 1,
    Depth = 2,
    Side = 3,
};

// Label filters of multi-format axes.
enum FilterType
{
    AllPassFilterType = 0,
    StartOfYearFilterType = 1,
    StartOfMonthFilterType = 2,
    StartOfDayFilterType = 3,
    StartOfHourFilterType = 4,
    StartOfMinuteFilterType = 5,
};

// Image formats of BaseChart::makeChart2.
enum ImageFormat
{
    PNG = 0,
    BMP = 4,
};

// A value is drawable when it is finite and not the no-value marker.
inline bool isValid(double v)
{
    return v < 1.0e300 && v > -1.0e300;
}

// Filter codes pack the type, the label step (every n-th passing label) and the
// initial margin in thousandths of the period.
int encodeFilter(int type, int labelStep = 1, double initialMargin = 0.05);
int filterType(int filter);
int filterLabelStep(int filter);
double filterInitialMargin(int filter);
int AllPassFilter();
int StartOfYearFilter(int labelStep = 1, double initialMargin = 0.05);
int StartOfMonthFilter(int labelStep = 1, double initialMargin = 0.05);
int StartOfDayFilter(int labelStep = 1, double initialMargin = 0.05);
int StartOfHourFilter(int labelStep = 1, double initialMargin = 0.05);

// Chart time: seconds since 0001-01-01 00:00:00 of the local wall clock.
double chartTime(int y, int m, int d, int h = 0, int n = 0, int s = 0);
double chartTime2(qint64 unixSeconds);
int getChartYMD(double t);
// Fractional index of v in an ascending array, clamped to [0, n - 1].
double bSearch(const double *a, int n, double v);

} // namespace Chart
