#include "ViewerChart.h"

#include "Axis.h"
#include "Chart.h"
#include "DataSet.h"
#include "DrawArea.h"
#include "Layer.h"
#include "LegendBox.h"
#include "LineLayer.h"
#include "PlotArea.h"
#include "TTFText.h"
#include "TextBox.h"
#include "ViewPortManager.h"
#include "XYChart.h"

#include <algorithm>
#include <cmath>

namespace ViewerChart {

namespace {

QString hex6(int color)
{
    return QString::number(color & 0xffffff, 16).rightJustified(6, QLatin1Char('0'));
}

} // namespace

QVector<int> visibleBreaks(const QVector<int> &breaks, int first, int last)
{
    QVector<int> out;
    for (auto it = std::upper_bound(breaks.cbegin(), breaks.cend(), first);
         it != breaks.cend() && *it <= last; ++it)
        out.append(*it - first);
    return out;
}

const QVector<int> &lineColors()
{
    static const QVector<int> colors{0xff0000, 0x00cc00, 0x0000ff, 0xcccc00};
    return colors;
}

void visibleRange(const QVector<double> &x, double start, double end, int *first, int *last)
{
    const int n = x.size();
    if (n == 0) {
        *first = 0;
        *last = -1;
        return;
    }
    *first = static_cast<int>(std::floor(Chart::bSearch(x.constData(), n, start)));
    *last = static_cast<int>(std::ceil(Chart::bSearch(x.constData(), n, end)));
    *first = std::max(0, std::min(*first, n - 1));
    *last = std::max(*first, std::min(*last, n - 1));
}

void setDateLabelFormats(XYChart *c)
{
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
    x->setFormatCondition(QStringLiteral("align"), 60);
    x->setMultiFormat(Chart::StartOfDayFilter(),
                      QStringLiteral("<*font=bold*>{value|hh:nn<*br*>mmm dd}"),
                      Chart::AllPassFilter(), QStringLiteral("{value|hh:nn}"));
    // Labels less than a minute apart would repeat their minute.
    x->setFormatCondition(QStringLiteral("else"));
    x->setMultiFormat(Chart::StartOfDayFilter(),
                      QStringLiteral("<*font=bold*>{value|hh:nn:ss<*br*>mmm dd}"),
                      Chart::AllPassFilter(), QStringLiteral("{value|hh:nn:ss}"));
}

XYChart *build(int width, int height, const ViewerSeries &s, ViewPortManager *vp)
{
    width = std::max(width, 200);
    height = std::max(height, 150);
    const double left = vp->getViewPortLeft();
    const double start = vp->getValueAtViewPort(QStringLiteral("x"), left);
    const double end = vp->getValueAtViewPort(QStringLiteral("x"), left + vp->getViewPortWidth());

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

    // One layer per channel with its own x data: a channel read less often
    // than another is joined from reading to reading, not left as dots
    // between the other's time points.
    const QVector<int> &colors = lineColors();
    for (int i = 0; i < s.lines.size(); ++i) {
        const ViewerLine &line = s.lines.at(i);
        int first = 0, last = -1;
        visibleRange(line.x, start, end, &first, &last);
        const int count = last - first + 1;
        LineLayer *layer = c->addLineLayer2();
        layer->setFastLineMode();
        if (count > 0) {
            layer->setXData(DoubleArray(line.x, first, count));
            // A line's x array always ascends.
            layer->setXDataSorted(true);
            layer->setLineBreaks(visibleBreaks(line.breaks, first, last));
        }
        layer->addDataSet(DoubleArray(line.values, first, std::max(count, 0)),
                          colors.at(i % colors.size()), s.legends.value(i));
    }
    vp->syncDateAxisWithViewPort(QStringLiteral("x"), c->xAxis());
    setDateLabelFormats(c);
    return c;
}

void drawTrackCursor(XYChart *c, int mouseX, const ViewerSeries &s)
{
    DrawArea *d = c->initDynamicLayer();
    const PlotArea *plot = c->getPlotArea();
    const double xValue = c->getNearestXValue(mouseX);
    const int xCoor = c->getXCoor(xValue);
    d->vline(plot->getTopY(), plot->getBottomY(), xCoor, d->dashLineColor(0xf4f4f4, 0x0101));

    // The label shows the reading's true local time (also inside a repeated
    // hour, where chart time and wall clock part).
    QString when;
    const auto it = std::lower_bound(s.x.constBegin(), s.x.constEnd(), xValue);
    if (it != s.x.constEnd() && *it == xValue)
        when = s.localText(static_cast<int>(it - s.x.constBegin()));
    if (when.isEmpty())
        when = c->formatValue(xValue, QStringLiteral("yyyy-mm-dd hh:nn:ss"));
    TTFText *t = d->text3(QStringLiteral("<*font,bgColor=373737,color=e6e6e6*> ") + when +
                              QStringLiteral(" <*/font*>"),
                          QStringLiteral("arialbd.ttf"), 8);
    t->draw(std::max(0, std::min(xCoor - t->getWidth() / 2, c->getWidth() - t->getWidth())),
            plot->getBottomY() + 6, 0xffffff);
    t->destroy();

    const bool leftHalf = xCoor <= (plot->getLeftX() + plot->getRightX()) / 2;
    for (int i = 0; i < c->getLayerCount(); ++i) {
        Layer *layer = c->getLayerByZ(i);
        const int xIndex = layer->getXIndexOf(xValue);
        if (xIndex < 0)
            continue;
        for (int j = 0; j < layer->getDataSetCount(); ++j) {
            DataSet *ds = layer->getDataSetByZ(j);
            const double value = ds->getValue(xIndex);
            const int color = ds->getDataColor();
            if (!Chart::isValid(value) || color == Chart::Transparent)
                continue;
            const int yCoor = c->getYCoor(ds->getPosition(xIndex), ds->getUseYAxis());
            if (yCoor < plot->getTopY() || yCoor > plot->getBottomY())
                continue;
            d->circle(xCoor, yCoor, 4, 4, color, color);
            TTFText *label =
                d->text3(QStringLiteral("<*font,bgColor=") + hex6(color) + QStringLiteral("*> ") +
                             c->formatValue(value, QStringLiteral("{value|P4}")) +
                             QStringLiteral(" <*font*>"),
                         QStringLiteral("arialbd.ttf"), 8);
            if (leftHalf)
                label->draw(xCoor + 5, yCoor, 0xffffff, Chart::Left);
            else
                label->draw(xCoor - 5, yCoor, 0xffffff, Chart::Right);
            label->destroy();
        }
    }
}

void setInitialViewPort(ViewPortManager *vp, const ViewerSeries &s)
{
    const int n = s.rowCount();
    double first = n ? s.x.first() : 0;
    double last = n ? s.x.last() : 1;
    // A single time point still gets a minute to be drawn in.
    if (!(last > first)) {
        first -= 30;
        last += 30;
    }
    vp->setFullRange(QStringLiteral("x"), first, last);
    vp->setViewPortWidth(0.2);
    vp->setViewPortLeft(1 - vp->getViewPortWidth());
    vp->setZoomInWidthLimit(std::min(1.0, 10.0 / std::max(1, n)));
}

} // namespace ViewerChart
