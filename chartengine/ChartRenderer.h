#pragma once

#include <QImage>

class ChartCore;
class QPainter;

// Paints a laid-out chart: background, plot area, grid, layers, axes, titles
// and legend. The dynamic layer is painted separately on a copy.
class ChartRenderer
{
public:
    static QImage render(ChartCore &chart);

private:
    // A bevel of the given width: light on the top and left, dark on the bottom and right.
    static void paintRaised(QPainter &p, const QRectF &rect, int width);
    static void paintPlotArea(QPainter &p, ChartCore &c);
    static void paintLayers(QPainter &p, ChartCore &c);
    static void paintDenseRun(QPainter &p, const QVector<QPointF> &run);
    static void paintXAxis(QPainter &p, ChartCore &c);
    static void paintYAxis(QPainter &p, ChartCore &c);
    static void paintTitles(QPainter &p, ChartCore &c);
    static void paintLegend(QPainter &p, ChartCore &c);
};
