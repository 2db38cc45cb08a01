#pragma once

#include "BaseChart.h"
#include "DoubleArray.h"

class Axis;
class Layer;
class LineLayer;
class PlotArea;

// A chart with an x axis, a y axis and line layers in a plot area.
class XYChart : public BaseChart
{
public:
    XYChart(int width, int height, int bgColor = 0xffffff, int edgeColor = Chart::Transparent,
            int raisedEffect = 0);

    PlotArea *setPlotArea(int x, int y, int width, int height, int bgColor = Chart::Transparent,
                          int altBgColor = -1, int edgeColor = -1, int hGridColor = 0xc0c0c0,
                          int vGridColor = Chart::Transparent);
    PlotArea *getPlotArea() const;
    // Layers are clipped to the plot area widened by margin pixels.
    void setClipping(int margin = 0);
    Axis *xAxis() const;
    Axis *yAxis() const;

    LineLayer *addLineLayer2(int dataCombineMethod = Chart::Side, int depth = 0);
    LineLayer *addLineLayer(const DoubleArray &data, int color = -1,
                            const QString &name = QString(), int depth = 0);
    int getLayerCount() const;
    Layer *getLayer(int i) const;
    Layer *getLayerByZ(int i) const { return getLayer(i); }

    // Pixel positions of values; they lay the chart out first if needed.
    int getXCoor(double v) const;
    int getYCoor(double v, Axis *yAxis = nullptr) const;
    double getXValue(double xCoor) const;
    // The x value of the data point nearest to that pixel column; the axis value
    // there when the chart has no data.
    double getNearestXValue(double xCoor) const;
    void layoutAxes();
};
