#include "DemoCharts.h"

#include "Axis.h"
#include "Chart.h"
#include "DrawArea.h"
#include "LegendBox.h"
#include "LineLayer.h"
#include "MarkupText.h"
#include "PlotArea.h"
#include "TTFText.h"
#include "TextBox.h"
#include "XYChart.h"

#include <QStringList>

#include "display/LiveChart.h"

#include <algorithm>
#include <cmath>

namespace DemoCharts {

namespace {

QString hex6(int color)
{
    return QString::number(color & 0xffffff, 16).rightJustified(6, QLatin1Char('0'));
}

} // namespace

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

XYChart *buildLiveChart(int width, int height, const LiveSeries &s, int intervalMs,
                        const QString &name, int color)
{
    return LiveChart::build(width, height, s.times, s.values, intervalMs, name, color);
}

void drawLiveTrackCursor(XYChart *c, int mouseX, int intervalMs)
{
    LiveChart::drawTrackCursor(c, mouseX, intervalMs);
}

ViewerData makeViewerData(int points, double start, double step)
{
    ViewerData d;
    d.x.resize(points);
    d.titles = QStringList{QStringLiteral("Freezer A"), QStringLiteral("Room humidity")};
    d.colors = {0xff0000, 0x00cc00};
    d.series.resize(2);
    for (auto &s : d.series)
        s.resize(points);
    for (int i = 0; i < points; ++i) {
        d.x[i] = start + i * step;
        d.series[0][i] = -18 + 2 * std::sin(i / 500.0) + 0.5 * std::sin(i * 0.37);
        d.series[1][i] = 45 + 10 * std::sin(i / 1300.0) + std::sin(i * 0.11);
        // An outage of the first channel, long enough to show as a gap at every zoom.
        if (i >= points / 2 && i < points / 2 + points / 40)
            d.series[0][i] = Chart::NoValue;
    }
    return d;
}

XYChart *buildViewerChart(int width, int height, const ViewerData &d, double left, double viewWidth)
{
    const int n = d.x.size();
    const double fullMin = n ? d.x.first() : 0;
    const double fullMax = n ? d.x.last() : 1;
    const double start = fullMin + left * (fullMax - fullMin);
    const double end = fullMin + (left + viewWidth) * (fullMax - fullMin);
    const int first =
        n ? static_cast<int>(std::floor(Chart::bSearch(d.x.constData(), n, start))) : 0;
    const int last = n ? static_cast<int>(std::ceil(Chart::bSearch(d.x.constData(), n, end))) : -1;
    const int count = last - first + 1;

    auto *c = new XYChart(width, height, 0x595959, Chart::Transparent);
    c->setPlotArea(55, 55, width - 90, height - 90,
                   c->linearGradientColor(0, 55, 0, height - 35, 0x595959, 0x303030), -1,
                   Chart::Transparent, 0x80303030, 0x80303030);
    c->setClipping(0);
    c->addTitle(QStringLiteral("Moravin Chart"), QStringLiteral("timesbi.ttf"), 14, 0x80f4f4f4);
    LegendBox *legend = c->addLegend(35, 30, false, QStringLiteral("segoeui.ttf"), 8);
    legend->setBackground(Chart::Transparent, Chart::Transparent);
    legend->setFontColor(0xf4f4f4);
    legend->setLineStyleKey();
    c->xAxis()->setTickDensity(75, 15);
    c->xAxis()->setWidth(2);
    c->yAxis()->setWidth(2);
    c->xAxis()->setColors(0x80c0c0c0, 0x80f4f4f4);
    c->yAxis()->setColors(0x80c0c0c0, 0x80f4f4f4);

    LineLayer *layer = c->addLineLayer2();
    layer->setFastLineMode();
    if (count > 0) {
        layer->setXData(DoubleArray(d.x, first, count));
        for (int i = 0; i < d.series.size(); ++i)
            layer->addDataSet(DoubleArray(d.series[i], first, count), d.colors[i], d.titles[i]);
    }
    c->xAxis()->setDateScale(start, end);
    Axis *x = c->xAxis();
    x->setFormatCondition(QStringLiteral("align"), 360 * 86400);
    x->setLabelFormat(QStringLiteral("{value|yyyy}"));
    x->setFormatCondition(QStringLiteral("align"), 30 * 86400);
    x->setMultiFormat(Chart::StartOfYearFilter(), QStringLiteral("<*font=bold*>{value|mmm yyyy}"),
                      Chart::AllPassFilter(), QStringLiteral("{value|mmm}"));
    x->setFormatCondition(QStringLiteral("align"), 86400);
    x->setMultiFormat(Chart::StartOfYearFilter(),
                      QStringLiteral("<*block,halign=left*><*font=bold*>{value|mmm dd<*br*>yyyy}"),
                      Chart::StartOfMonthFilter(), QStringLiteral("<*font=bold*>{value|mmm dd}"));
    x->setMultiFormat2(Chart::AllPassFilter(), QStringLiteral("{value|dd}"));
    x->setFormatCondition(QStringLiteral("else"));
    x->setMultiFormat(Chart::StartOfDayFilter(),
                      QStringLiteral("<*font=bold*>{value|hh:nn<*br*>mmm dd}"),
                      Chart::AllPassFilter(), QStringLiteral("{value|hh:nn}"));
    return c;
}

void drawViewerTrackCursor(XYChart *c, int mouseX)
{
    DrawArea *d = c->initDynamicLayer();
    const PlotArea *plot = c->getPlotArea();
    const double xValue = c->getNearestXValue(mouseX);
    const int xCoor = c->getXCoor(xValue);
    d->vline(plot->getTopY(), plot->getBottomY(), xCoor, d->dashLineColor(0xf4f4f4, 0x0101));
    TTFText *t = d->text3(QStringLiteral("<*font,bgColor=373737,color=e6e6e6*> ") +
                              c->formatValue(xValue, QStringLiteral("yyyy-mm-dd hh:nn:ss")) +
                              QStringLiteral(" <*/font*>"),
                          QStringLiteral("arialbd.ttf"), 8);
    t->draw(std::max(0, std::min(xCoor - t->getWidth() / 2, c->getWidth() - t->getWidth())),
            plot->getBottomY() + 6, 0xffffff);
    t->destroy();
    for (int i = 0; i < c->getLayerCount(); ++i) {
        Layer *layer = c->getLayerByZ(i);
        const int xIndex = layer->getXIndexOf(xValue);
        for (int j = 0; j < layer->getDataSetCount(); ++j) {
            DataSet *ds = layer->getDataSetByZ(j);
            const int color = ds->getDataColor();
            const int yCoor = c->getYCoor(ds->getPosition(xIndex), ds->getUseYAxis());
            if (yCoor < plot->getTopY() || yCoor > plot->getBottomY() ||
                color == Chart::Transparent)
                continue;
            d->circle(xCoor, yCoor, 4, 4, color, color);
            TTFText *label =
                d->text3(QStringLiteral("<*font,bgColor=") + hex6(color) + QStringLiteral("*> ") +
                             c->formatValue(ds->getValue(xIndex), QStringLiteral("{value|P4}")) +
                             QStringLiteral(" <*font*>"),
                         QStringLiteral("arialbd.ttf"), 8);
            if (xCoor <= (plot->getLeftX() + plot->getRightX()) / 2)
                label->draw(xCoor + 5, yCoor, 0xffffff, Chart::Left);
            else
                label->draw(xCoor - 5, yCoor, 0xffffff, Chart::Right);
            label->destroy();
        }
    }
}

} // namespace DemoCharts
