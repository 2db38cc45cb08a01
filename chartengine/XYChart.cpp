#include "XYChart.h"

#include "ChartCore.h"
#include "LineLayer.h"

#include <cmath>

XYChart::XYChart(int width, int height, int bgColor, int edgeColor, int raisedEffect)
    : BaseChart(width, height, bgColor, edgeColor, raisedEffect)
{
    m_core->plotArea->set(0, 0, m_core->width, m_core->height, Chart::Transparent, -1,
                          Chart::Transparent, 0xc0c0c0, Chart::Transparent);
}

PlotArea *XYChart::setPlotArea(int x, int y, int width, int height, int bgColor, int altBgColor,
                               int edgeColor, int hGridColor, int vGridColor)
{
    m_core->plotArea->set(x, y, width, height, bgColor, altBgColor, edgeColor, hGridColor,
                          vGridColor);
    return m_core->plotArea.get();
}

PlotArea *XYChart::getPlotArea() const
{
    return m_core->plotArea.get();
}

void XYChart::setClipping(int margin)
{
    m_core->clipping = true;
    m_core->clipMargin = qBound(0, margin, 10000);
    m_core->invalidate();
}

Axis *XYChart::xAxis() const
{
    return m_core->xAxis.get();
}

Axis *XYChart::yAxis() const
{
    return m_core->yAxis.get();
}

LineLayer *XYChart::addLineLayer2(int dataCombineMethod, int depth)
{
    auto layer = std::make_unique<LineLayer>(m_core.get(), dataCombineMethod, depth);
    LineLayer *raw = layer.get();
    m_core->layers.push_back(std::move(layer));
    m_core->invalidate();
    return raw;
}

LineLayer *XYChart::addLineLayer(const DoubleArray &data, int color, const QString &name, int depth)
{
    LineLayer *layer = addLineLayer2(Chart::Side, depth);
    layer->addDataSet(data, color, name);
    return layer;
}

int XYChart::getLayerCount() const
{
    return static_cast<int>(m_core->layers.size());
}

Layer *XYChart::getLayer(int i) const
{
    if (i < 0 || i >= getLayerCount())
        return nullptr;
    return m_core->layers[static_cast<size_t>(i)].get();
}

int XYChart::getXCoor(double v) const
{
    return m_core->xAxis->getCoor(v);
}

int XYChart::getYCoor(double v, Axis *yAxis) const
{
    return (yAxis ? yAxis : m_core->yAxis.get())->getCoor(v);
}

double XYChart::getXValue(double xCoor) const
{
    return m_core->xAxis->valueAtCoor(xCoor);
}

double XYChart::getNearestXValue(double xCoor) const
{
    const double v = getXValue(xCoor);
    double best = v;
    bool found = false;
    for (const auto &layer : m_core->layers) {
        double x = 0;
        if (layer->getDataSetCount() > 0 && layer->nearestX(v, x) &&
            (!found || std::fabs(x - v) < std::fabs(best - v))) {
            best = x;
            found = true;
        }
    }
    return best;
}

void XYChart::layoutAxes()
{
    m_core->ensureLayout();
}
