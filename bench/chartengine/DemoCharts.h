#pragma once

#include <QString>
#include <QStringList>
#include <QVector>

class XYChart;

// The two charts of the suite built the way their panels build them: the
// recorder's live channel chart and the viewer's zoomable chart. Used by the
// demo and the benchmark.
namespace DemoCharts {

struct LiveSeries
{
    double times[240];
    double values[240];
};

// A live history ending at newest with interval seconds between readings and
// some missing readings.
LiveSeries makeLiveSeries(double newest, int intervalMs, int missingEvery);
XYChart *buildLiveChart(int width, int height, const LiveSeries &s, int intervalMs,
                        const QString &name, int color);
void drawLiveTrackCursor(XYChart *c, int mouseX, int intervalMs);

struct ViewerData
{
    QVector<double> x;
    QVector<QVector<double>> series;
    QStringList titles;
    QVector<int> colors;
};
ViewerData makeViewerData(int points, double start, double step);
// left and width: the view port in fractions of the full range.
XYChart *buildViewerChart(int width, int height, const ViewerData &d, double left,
                          double viewWidth);
void drawViewerTrackCursor(XYChart *c, int mouseX);

} // namespace DemoCharts
