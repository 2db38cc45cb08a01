#include "BaseChart.h"

#include "ChartCore.h"
#include "ValueFormatter.h"

#include <QBuffer>
#include <QImageWriter>

BaseChart::BaseChart(int width, int height, int bgColor, int edgeColor, int raisedEffect)
    : m_core(std::make_shared<ChartCore>(width, height, bgColor, edgeColor, raisedEffect))
{
}

BaseChart::~BaseChart() = default;

int BaseChart::getWidth() const
{
    return m_core->width;
}

int BaseChart::getHeight() const
{
    return m_core->height;
}

int BaseChart::linearGradientColor(int x1, int y1, int x2, int y2, int startColor, int endColor)
{
    return m_core->colors.linearGradient(x1, y1, x2, y2, startColor, endColor);
}

int BaseChart::dashLineColor(int color, int dashPattern)
{
    return m_core->colors.dashLineColor(color, dashPattern);
}

TextBox *BaseChart::addTitle(const QString &text, const QString &font, double fontSize,
                             int fontColor, int bgColor, int edgeColor)
{
    m_core->titles.push_back(std::make_unique<TextBox>(
        m_core.get(), text, font.isEmpty() ? QStringLiteral("arialbd.ttf") : font, fontSize,
        fontColor));
    m_core->titles.back()->setBackground(bgColor, edgeColor);
    m_core->invalidate();
    return m_core->titles.back().get();
}

LegendBox *BaseChart::addLegend(int x, int y, bool vertical, const QString &font, double fontSize)
{
    m_core->legend =
        std::make_unique<LegendBox>(m_core.get(), x, y, vertical,
                                    font.isEmpty() ? QStringLiteral("arial.ttf") : font, fontSize);
    m_core->invalidate();
    return m_core->legend.get();
}

DrawArea *BaseChart::initDynamicLayer()
{
    m_core->ensureLayout();
    if (!m_core->dynamicLayer)
        m_core->dynamicLayer =
            std::make_unique<DrawArea>(&m_core->colors, m_core->width, m_core->height);
    m_core->dynamicLayer->clear();
    return m_core->dynamicLayer.get();
}

void BaseChart::removeDynamicLayer()
{
    m_core->dynamicLayer.reset();
}

QImage BaseChart::makeChart()
{
    return makeChart(m_core);
}

QImage BaseChart::makeChart(const ChartHandle &handle)
{
    return handle ? handle->image() : QImage();
}

QByteArray BaseChart::makeChart2(int format)
{
    const QImage img = makeChart();
    QByteArray out;
    if (img.isNull())
        return out;
    QBuffer buffer(&out);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format == Chart::BMP ? "BMP" : "PNG");
    if (!writer.write(format == Chart::BMP ? img.convertToFormat(QImage::Format_RGB32) : img))
        out.clear();
    return out;
}

bool BaseChart::makeChart(const QString &fileName)
{
    const QImage img = makeChart();
    return !img.isNull() && img.save(fileName);
}

ChartMetrics BaseChart::getChartMetrics()
{
    return getChartMetrics(m_core);
}

ChartMetrics BaseChart::getChartMetrics(const ChartHandle &handle)
{
    ChartMetrics m;
    if (!handle)
        return m;
    handle->ensureLayout();
    m.valid = true;
    m.width = handle->width;
    m.height = handle->height;
    m.plotLeft = handle->plotArea->getLeftX();
    m.plotTop = handle->plotArea->getTopY();
    m.plotWidth = handle->plotArea->getWidth();
    m.plotHeight = handle->plotArea->getHeight();
    return m;
}

QString BaseChart::formatValue(double value, const QString &format) const
{
    return ValueFormatter::format(value, format);
}

void BaseChart::layout()
{
    m_core->ensureLayout();
}
