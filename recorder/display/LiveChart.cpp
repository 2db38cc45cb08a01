#include "LiveChart.h"

#include "Axis.h"
#include "Chart.h"
#include "DrawArea.h"
#include "LineLayer.h"
#include "MarkupText.h"
#include "PlotArea.h"
#include "TTFText.h"
#include "XYChart.h"

#include "core/DataInterval.h"

#include <QStringList>

#include <algorithm>

namespace {

QString hex6(int color)
{
    return QString::number(color & 0xffffff, 16).rightJustified(6, QLatin1Char('0'));
}

void drawText(DrawArea *d, const QString &text, const char *font, int x, int y, int alignment)
{
    TTFText *t = d->text3(text, QLatin1String(font), 8);
    t->draw(x, y, 0xffffff, alignment);
    t->destroy();
}

} // namespace

XYChart *LiveChart::build(int width, int height, const double *times, const double *values,
                          int intervalMs, const QString &name, int color)
{
    auto *c = new XYChart(width, height, 0x595959, Chart::Transparent, 0);
    const int background = c->linearGradientColor(0, 25, 0, height - 15, 0x595959, 0x303030);
    c->setPlotArea(45, 25, width - 50, height - 55, background, -1, Chart::Transparent, 0x80303030,
                   0x80303030);
    c->setClipping(0);
    c->xAxis()->setTickDensity(75, 15);
    c->xAxis()->setWidth(2);
    c->yAxis()->setWidth(2);
    c->xAxis()->setColors(0x80c0c0c0, 0x80f4f4f4);
    c->yAxis()->setColors(0x80c0c0c0, 0x80f4f4f4);
    const double newest = times[Points - 1];
    if (newest != Chart::NoValue) {
        c->xAxis()->setDateScale(newest - Points * intervalMs / 1000, newest);
        c->xAxis()->setLabelFormat(QStringLiteral("{value|hh:nn:ss}"));
        LineLayer *layer = c->addLineLayer2(Chart::Overlay, 0);
        layer->setXData(DoubleArray(times, Points));
        layer->addDataSet(DoubleArray(values, Points), color, name);
    }
    return c;
}

void LiveChart::drawTrackCursor(XYChart *c, int mouseX, int intervalMs)
{
    DrawArea *d = c->initDynamicLayer();
    const PlotArea *plot = c->getPlotArea();
    const double xValue = c->getNearestXValue(mouseX);
    const int xCoor = c->getXCoor(xValue);
    d->vline(plot->getTopY(), plot->getBottomY(), xCoor, d->dashLineColor(0x80f4f4f4, 0x0101));

    TTFText *xLabel = d->text3(QStringLiteral("<*font,bgColor=373737,color=e6e6e6*> ") +
                                   c->formatValue(xValue, QStringLiteral("hh:nn:ss")) +
                                   QStringLiteral(" <*/font*>"),
                               QStringLiteral("arialbd.ttf"), 8);
    const int xLabelLeft =
        std::max(0, std::min(xCoor - xLabel->getWidth() / 2, c->getWidth() - xLabel->getWidth()));
    xLabel->draw(xLabelLeft, plot->getBottomY() + 6, 0xffffff, Chart::TopLeft);
    xLabel->destroy();

    QStringList legend;
    for (int i = 0; i < c->getLayerCount(); ++i) {
        Layer *layer = c->getLayerByZ(i);
        const int xIndex = layer->getXIndexOf(xValue);
        for (int j = 0; j < layer->getDataSetCount(); ++j) {
            DataSet *ds = layer->getDataSetByZ(j);
            const int color = ds->getDataColor();
            if (ds->getDataName().isEmpty() || color == Chart::Transparent)
                continue;
            const QString value = valueText(c, ds->getValue(xIndex));
            legend << legendEntry(ds->getLegendIcon(), ds->getDataName(), color, value);
            const int yCoor = c->getYCoor(ds->getPosition(xIndex), ds->getUseYAxis());
            if (yCoor < plot->getTopY() || yCoor > plot->getBottomY())
                continue;
            d->circle(xCoor, yCoor, 4, 4, color, color);
            const QString label = QStringLiteral("<*font,bgColor=") + hex6(color) +
                                  QStringLiteral("*> ") + value + QStringLiteral(" <*font*>");
            if (xCoor <= (plot->getLeftX() + plot->getRightX()) / 2)
                drawText(d, label, "arialbd.ttf", xCoor + 5, yCoor, Chart::Left);
            else
                drawText(d, label, "arialbd.ttf", xCoor - 5, yCoor, Chart::Right);
        }
    }
    QString legendText = QStringLiteral("<*block*>");
    for (int i = legend.size() - 1; i >= 0; --i)
        legendText += legend[i];
    legendText += QStringLiteral("<*/*>");
    drawText(d, legendText, "arialbd.ttf", plot->getLeftX() + 5, plot->getTopY() - 3,
             Chart::BottomLeft);

    drawText(d, timeStamp(c, xValue), "arialbd.ttf", plot->getLeftX() + 100, plot->getTopY() - 3,
             Chart::BottomLeft);
    drawText(d, viewLine(intervalMs), "arial.ttf", plot->getRightX() - 240, plot->getTopY() - 3,
             Chart::BottomLeft);
}

QString LiveChart::valueText(const XYChart *chart, double value)
{
    return value == Chart::NoValue ? QStringLiteral("N/A")
                                   : chart->formatValue(value, QStringLiteral("{value|2.}"));
}

QString LiveChart::legendEntry(const QString &icon, const QString &name, int color,
                               const QString &value)
{
    return QStringLiteral("<*block*>") + icon + QLatin1Char(' ') + MarkupText::plain(name) +
           QStringLiteral(": <*font,bgColor=") + hex6(color) + QStringLiteral("*> ") + value +
           QStringLiteral(" <*font*><*/*>");
}

QString LiveChart::timeStamp(const XYChart *chart, double xValue)
{
    return QStringLiteral("<*block*><*font=arialbd.ttf*>[ ") +
           chart->formatValue(xValue, QStringLiteral("yyyy-mm-dd hh:nn:ss")) +
           QStringLiteral(" ]<*/*><*/*>");
}

QString LiveChart::viewLine(int intervalMs)
{
    return QStringLiteral("<*block*><*block*><*font=arial.ttf*>View Length : ") +
           QString::number(Points) +
           QStringLiteral(" samples<*/*><*block*><*font=arial.ttf*>   Interval : ") +
           DataInterval::intervalText(intervalMs) + QStringLiteral(" <*/*><*/*>");
}
