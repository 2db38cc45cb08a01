#pragma once

#include "Chart.h"
#include "ChartMetrics.h"

#include <QByteArray>
#include <QImage>
#include <QString>

#include <memory>

class ChartCore;
class DrawArea;
class LegendBox;
class TextBox;

// A shared reference on a chart's state; the state lives until the chart
// object and every handle are gone.
using ChartHandle = std::shared_ptr<ChartCore>;

// What every chart offers: size, colours, titles, legend, the dynamic layer and
// the finished image.
class BaseChart
{
public:
    virtual ~BaseChart();
    BaseChart(const BaseChart &) = delete;
    BaseChart &operator=(const BaseChart &) = delete;

    int getWidth() const;
    int getHeight() const;
    // A colour code for a gradient between two points in chart pixels.
    int linearGradientColor(int x1, int y1, int x2, int y2, int startColor, int endColor);
    int dashLineColor(int color, int dashPattern = 0x0505);
    TextBox *addTitle(const QString &text, const QString &font = QString(), double fontSize = 12,
                      int fontColor = Chart::TextColor, int bgColor = Chart::Transparent,
                      int edgeColor = Chart::Transparent);
    LegendBox *addLegend(int x, int y, bool vertical = true, const QString &font = QString(),
                         double fontSize = 8);
    // Lays the chart out if needed and returns its overlay, cleared.
    DrawArea *initDynamicLayer();
    void removeDynamicLayer();
    // The finished chart, exactly getWidth() x getHeight() pixels.
    QImage makeChart();
    // The finished chart encoded in memory (Chart::BMP or Chart::PNG).
    QByteArray makeChart2(int format);
    bool makeChart(const QString &fileName);
    ChartMetrics getChartMetrics();
    QString formatValue(double value, const QString &format) const;
    void layout();

    ChartHandle handle() const { return m_core; }

    // Rendering through a handle, for viewers that outlive the chart object.
    static QImage makeChart(const ChartHandle &handle);
    static ChartMetrics getChartMetrics(const ChartHandle &handle);

protected:
    BaseChart(int width, int height, int bgColor, int edgeColor, int raisedEffect);

    ChartHandle m_core;
};
