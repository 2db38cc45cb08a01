#pragma once

#include "ViewerSeries.h"

#include <QVector>

class ViewPortManager;
class XYChart;

// The viewer's chart on the chart engine.
namespace ViewerChart {

// Line colours by selection order: red, green, blue, yellow.
const QVector<int> &lineColors();

// The indices of the x array shown for a visible range [start, end]:
// floor and ceiling of the bisection positions.
void visibleRange(const QVector<double> &x, double start, double end, int *first, int *last);

// The breaks of a line (ascending point indices) that fall inside the points
// first..last, counted from first.
QVector<int> visibleBreaks(const QVector<int> &breaks, int first, int last);

// Builds the chart for the view port's visible part of the series' lines,
// one layer per channel, named by its legend. The x axis is synchronised with
// the view port's "x" range.
XYChart *build(int width, int height, const ViewerSeries &series, ViewPortManager *viewPort);

// Draws the track cursor at mouseX on the chart's dynamic layer.
void drawTrackCursor(XYChart *chart, int mouseX, const ViewerSeries &series);

// The date label rules of the x axis by the distance between labels.
void setDateLabelFormats(XYChart *chart);

// The view port of a new chart: the full x range from the first to the last
// time point, the newest fifth shown, zooming in down to about ten points.
void setInitialViewPort(ViewPortManager *viewPort, const ViewerSeries &series);

} // namespace ViewerChart
