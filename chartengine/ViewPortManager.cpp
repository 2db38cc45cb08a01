#include "ViewPortManager.h"

#include "Axis.h"
#include "BaseChart.h"
#include "ChartCore.h"

#include <cmath>

namespace {

constexpr double Epsilon = 1e-12;

double limitValue(double v, double fallback)
{
    if (!std::isfinite(v))
        return v > 0 ? 1 : fallback;
    return qBound(Epsilon, v, 1.0);
}

void validateSpan(double &start, double &size, double minSize, double maxSize)
{
    if (!std::isfinite(size) || !std::isfinite(start)) {
        start = 0;
        size = 1;
    }
    size = qBound(qMin(minSize, maxSize), size, qMax(minSize, maxSize));
    size = qBound(Epsilon, size, 1.0);
    start = qBound(0.0, start, 1.0 - size);
}

} // namespace

void ViewPortManager::setChartMetrics(const ChartMetrics &metrics)
{
    m_metrics = metrics;
}

void ViewPortManager::commitPendingSyncAxis(BaseChart *chart)
{
    if (!chart)
        return;
    ChartCore &core = *chart->handle();
    const auto pending = std::move(core.pendingSyncs);
    core.pendingSyncs.clear();
    for (const auto &p : pending) {
        if (!hasFullRange(p.first))
            setFullRange(p.first, p.second->getMinValue(), p.second->getMaxValue());
    }
}

void ViewPortManager::setViewPortLeft(double left)
{
    m_left = left;
}

void ViewPortManager::setViewPortTop(double top)
{
    m_top = top;
}

void ViewPortManager::setViewPortWidth(double width)
{
    m_width = width;
}

void ViewPortManager::setViewPortHeight(double height)
{
    m_height = height;
}

void ViewPortManager::setZoomInWidthLimit(double limit)
{
    m_zoomInWidth = limitValue(limit, 0.01);
}

void ViewPortManager::setZoomOutWidthLimit(double limit)
{
    m_zoomOutWidth = limitValue(limit, 1);
}

void ViewPortManager::setZoomInHeightLimit(double limit)
{
    m_zoomInHeight = limitValue(limit, 0.01);
}

void ViewPortManager::setZoomOutHeightLimit(double limit)
{
    m_zoomOutHeight = limitValue(limit, 1);
}

void ViewPortManager::validateViewPort()
{
    validateSpan(m_left, m_width, m_zoomInWidth, m_zoomOutWidth);
    validateSpan(m_top, m_height, m_zoomInHeight, m_zoomOutHeight);
}

void ViewPortManager::setFullRange(const QString &id, double minValue, double maxValue)
{
    m_ranges.insert(id, qMakePair(minValue, maxValue));
}

bool ViewPortManager::hasFullRange(const QString &id) const
{
    return m_ranges.contains(id);
}

double ViewPortManager::getValueAtViewPort(const QString &id, double ratio, bool isLogScale) const
{
    const auto it = m_ranges.constFind(id);
    if (it == m_ranges.constEnd())
        return ratio;
    const double lo = it->first;
    const double hi = it->second;
    if (isLogScale && lo > 0 && hi > 0)
        return lo * std::pow(hi / lo, ratio);
    return lo + ratio * (hi - lo);
}

double ViewPortManager::getViewPortAtValue(const QString &id, double value, bool isLogScale) const
{
    const auto it = m_ranges.constFind(id);
    if (it == m_ranges.constEnd())
        return value;
    const double lo = it->first;
    const double hi = it->second;
    if (isLogScale && lo > 0 && hi > 0 && value > 0 && hi != lo)
        return std::log(value / lo) / std::log(hi / lo);
    return hi != lo ? (value - lo) / (hi - lo) : 0;
}

void ViewPortManager::syncAxis(const QString &id, Axis *axis, bool date)
{
    if (!axis)
        return;
    if (!hasFullRange(id)) {
        axis->core()->pendingSyncs.emplace_back(id, axis);
        return;
    }
    double lo = 0;
    double hi = 1;
    if (axis->horizontal()) {
        lo = getValueAtViewPort(id, m_left);
        hi = getValueAtViewPort(id, m_left + m_width);
    } else {
        lo = getValueAtViewPort(id, 1 - m_top - m_height);
        hi = getValueAtViewPort(id, 1 - m_top);
    }
    if (date)
        axis->setDateScale(lo, hi);
    else
        axis->setLinearScale(lo, hi);
}

void ViewPortManager::syncDateAxisWithViewPort(const QString &id, Axis *axis)
{
    syncAxis(id, axis, true);
}

void ViewPortManager::syncLinearAxisWithViewPort(const QString &id, Axis *axis)
{
    syncAxis(id, axis, false);
}

bool ViewPortManager::inPlotArea(int x, int y) const
{
    return m_metrics.valid && x >= m_metrics.plotLeft &&
           x <= m_metrics.plotLeft + m_metrics.plotWidth && y >= m_metrics.plotTop &&
           y <= m_metrics.plotTop + m_metrics.plotHeight;
}

bool ViewPortManager::inExtendedPlotArea(int x, int y) const
{
    const int m = ExtendedPlotAreaMargin;
    return m_metrics.valid && x >= m_metrics.plotLeft - m &&
           x <= m_metrics.plotLeft + m_metrics.plotWidth + m && y >= m_metrics.plotTop - m &&
           y <= m_metrics.plotTop + m_metrics.plotHeight + m;
}

bool ViewPortManager::changedFrom(const State &s) const
{
    return std::fabs(s.left - m_left) > Epsilon || std::fabs(s.top - m_top) > Epsilon ||
           std::fabs(s.width - m_width) > Epsilon || std::fabs(s.height - m_height) > Epsilon;
}

bool ViewPortManager::canZoomIn(int direction) const
{
    const bool h = horizontal(direction) && m_width > m_zoomInWidth + Epsilon;
    const bool v = vertical(direction) && m_height > m_zoomInHeight + Epsilon;
    return h || v;
}

bool ViewPortManager::canZoomOut(int direction) const
{
    const bool h = horizontal(direction) && m_width < m_zoomOutWidth - Epsilon;
    const bool v = vertical(direction) && m_height < m_zoomOutHeight - Epsilon;
    return h || v;
}

bool ViewPortManager::zoomAt(int direction, int x, int y, double ratio)
{
    if (!(ratio > 0) || !std::isfinite(ratio))
        return false;
    const State before = state();
    if (horizontal(direction) && m_metrics.plotWidth > 0) {
        const double w = qBound(m_zoomInWidth, m_width / ratio, m_zoomOutWidth);
        const double f = qBound(0.0, double(x - m_metrics.plotLeft) / m_metrics.plotWidth, 1.0);
        m_left += f * (m_width - w);
        m_width = w;
    }
    if (vertical(direction) && m_metrics.plotHeight > 0) {
        const double h = qBound(m_zoomInHeight, m_height / ratio, m_zoomOutHeight);
        const double f = qBound(0.0, double(y - m_metrics.plotTop) / m_metrics.plotHeight, 1.0);
        m_top += f * (m_height - h);
        m_height = h;
    }
    validateViewPort();
    return changedFrom(before);
}

bool ViewPortManager::scaleAround(double x, double y, double factor)
{
    const State before = state();
    const double width = qBound(m_zoomInWidth, m_width * factor, m_zoomOutWidth);
    if (width != m_width) {
        const double plotWidth = qMax(1, m_metrics.plotWidth);
        m_left += (x - m_metrics.plotLeft) / plotWidth * (m_width - width);
        m_width = width;
    }
    const double height = qBound(m_zoomInHeight, m_height * factor, m_zoomOutHeight);
    if (height != m_height) {
        const double plotHeight = qMax(1, m_metrics.plotHeight);
        m_top += (y - m_metrics.plotTop) / plotHeight * (m_height - height);
        m_height = height;
    }
    return changedFrom(before);
}

bool ViewPortManager::zoomTo(int direction, int x1, int y1, int x2, int y2)
{
    const State before = state();
    if (horizontal(direction) && m_metrics.plotWidth > 0) {
        const double pl = m_metrics.plotLeft;
        const double pw = m_metrics.plotWidth;
        const double a = qBound(0.0, (qMin(x1, x2) - pl) / pw, 1.0);
        const double b = qBound(0.0, (qMax(x1, x2) - pl) / pw, 1.0);
        double left = m_left + a * m_width;
        double width = (b - a) * m_width;
        if (width < m_zoomInWidth) {
            left -= (m_zoomInWidth - width) / 2;
            width = m_zoomInWidth;
        }
        m_left = left;
        m_width = width;
    }
    if (vertical(direction) && m_metrics.plotHeight > 0) {
        const double pt = m_metrics.plotTop;
        const double ph = m_metrics.plotHeight;
        const double a = qBound(0.0, (qMin(y1, y2) - pt) / ph, 1.0);
        const double b = qBound(0.0, (qMax(y1, y2) - pt) / ph, 1.0);
        double top = m_top + a * m_height;
        double height = (b - a) * m_height;
        if (height < m_zoomInHeight) {
            top -= (m_zoomInHeight - height) / 2;
            height = m_zoomInHeight;
        }
        m_top = top;
        m_height = height;
    }
    validateViewPort();
    return changedFrom(before);
}

void ViewPortManager::startDrag()
{
    m_dragLeft = m_left;
    m_dragTop = m_top;
}

bool ViewPortManager::dragTo(int direction, int dx, int dy)
{
    const State before = state();
    if (horizontal(direction) && m_metrics.plotWidth > 0)
        m_left = m_dragLeft - double(dx) / m_metrics.plotWidth * m_width;
    if (vertical(direction) && m_metrics.plotHeight > 0)
        m_top = m_dragTop - double(dy) / m_metrics.plotHeight * m_height;
    validateViewPort();
    return changedFrom(before);
}
