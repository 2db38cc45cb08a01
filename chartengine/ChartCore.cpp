#include "ChartCore.h"

#include "ChartRenderer.h"
#include "FastLineReducer.h"

#include <QPainter>

#include <cmath>
#include <limits>

ChartCore::ChartCore(int w, int h, int bg, int edge, int raised)
    : width(qBound(0, w, MaxSide)), height(qBound(0, h, MaxSide)), bgColor(bg), edgeColor(edge),
      raisedEffect(qBound(0, raised, 50)), plotArea(std::make_unique<PlotArea>(this)),
      xAxis(std::make_unique<Axis>(this, true)), yAxis(std::make_unique<Axis>(this, false))
{
}

void ChartCore::invalidate()
{
    m_laidOut = false;
    m_baseValid = false;
}

int ChartCore::defaultDataColor(int index) const
{
    static const int palette[] = {0xff0000, 0x00ff00, 0x0000ff, 0xffff00, 0xff00ff, 0x66ffff,
                                  0xffcc33, 0xcccccc, 0x9966ff, 0x339966, 0x999900, 0xcc3300};
    return palette[static_cast<size_t>(index) % (sizeof(palette) / sizeof(palette[0]))];
}

void ChartCore::ensureLayout()
{
    if (m_laidOut || m_inLayout)
        return;
    m_inLayout = true;
    layout();
    m_inLayout = false;
    m_laidOut = true;
}

void ChartCore::layout()
{
    const PlotArea &pa = *plotArea;

    double xLo = std::numeric_limits<double>::max();
    double xHi = -xLo;
    bool hasX = false;
    // Only a self-scaling x axis needs the data's x range; a fixed scale must not
    // pay a pass over millions of points for it.
    for (const auto &layer : layers) {
        if (xAxis->scaleMode() != Axis::AutoMode)
            break;
        double lo = 0;
        double hi = 0;
        if (layer->getDataSetCount() > 0 && layer->xRange(lo, hi)) {
            xLo = qMin(xLo, lo);
            xHi = qMax(xHi, hi);
            hasX = true;
        }
    }
    xAxis->layout(xLo, xHi, hasX, pa.getLeftX(), pa.getWidth());

    // Columns count from the plot's left edge; one spare column on each side
    // collects everything outside the plot.
    const double span = xAxis->ticks().upper - xAxis->ticks().lower;
    const double scale = span > 0 ? pa.getWidth() / span : std::numeric_limits<double>::quiet_NaN();
    const double offset = -xAxis->ticks().lower * scale;
    double yLo = std::numeric_limits<double>::max();
    double yHi = -yLo;
    bool hasY = false;
    for (const auto &layer : layers) {
        layer->reduce(scale, offset, -1, pa.getWidth() + 1);
        for (int k = 0; k < layer->getDataSetCount(); ++k) {
            for (const QPointF &pt : layer->reduced(k)) {
                if (FastLineReducer::isBreak(pt))
                    continue;
                yLo = qMin(yLo, pt.y());
                yHi = qMax(yHi, pt.y());
                hasY = true;
            }
        }
    }
    yAxis->layout(yLo, yHi, hasY, pa.getBottomY(), -pa.getHeight());
}

const QImage &ChartCore::baseImage()
{
    ensureLayout();
    if (!m_baseValid) {
        m_base = ChartRenderer::render(*this);
        m_baseValid = true;
    }
    return m_base;
}

QImage ChartCore::image()
{
    const QImage &base = baseImage();
    if (!dynamicLayer || dynamicLayer->isEmpty() || base.isNull())
        return base;
    QImage out = base.copy();
    QPainter p(&out);
    dynamicLayer->paint(p);
    return out;
}
