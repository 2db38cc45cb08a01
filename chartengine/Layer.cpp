#include "Layer.h"

#include "Chart.h"
#include "ChartCore.h"

#include <cmath>
#include <limits>

Layer::Layer(ChartCore *core, int dataCombineMethod, int depth) : m_core(core)
{
    // Every data set of a line layer is drawn on its own; the combine method and
    // depth only matter for stacked or 3D layers, which the engine does not draw.
    Q_UNUSED(dataCombineMethod)
    Q_UNUSED(depth)
}

Layer::~Layer() = default;

void Layer::setXData(const DoubleArray &x)
{
    m_x = x;
    m_xRange = false;
    m_orderChecked = false;
    m_core->invalidate();
}

void Layer::setXDataSorted(bool sorted)
{
    m_promisedSorted = sorted;
    m_orderChecked = false;
    m_core->invalidate();
}

void Layer::setXData(double lower, double upper)
{
    m_x = DoubleArray();
    m_xRange = Chart::isValid(lower) && Chart::isValid(upper);
    m_xLower = lower;
    m_xUpper = upper;
    m_orderChecked = false;
    m_core->invalidate();
}

DataSet *Layer::addDataSet(const DoubleArray &data, int color, const QString &name)
{
    if (color == -1)
        color = m_core->defaultDataColor(static_cast<int>(m_dataSets.size()));
    m_dataSets.push_back(std::make_unique<DataSet>(this, data, color, name));
    m_orderChecked = false;
    m_core->invalidate();
    return m_dataSets.back().get();
}

void Layer::setLineWidth(int width)
{
    m_lineWidth = qBound(0, width, 100);
    m_core->invalidate();
}

DataSet *Layer::getDataSet(int i) const
{
    if (i < 0 || i >= getDataSetCount())
        return nullptr;
    return m_dataSets[static_cast<size_t>(i)].get();
}

Axis *Layer::yAxis() const
{
    return m_core->yAxis.get();
}

const ColorTable &Layer::colorTable() const
{
    return m_core->colors;
}

int Layer::pointCount() const
{
    int n = 0;
    for (const auto &d : m_dataSets)
        n = qMax(n, d->count());
    if (!m_x.isEmpty())
        n = qMin(n, m_x.len());
    return n;
}

double Layer::xAt(int i) const
{
    if (!m_x.isEmpty())
        return i >= 0 && i < m_x.len() ? m_x[i] : Chart::NoValue;
    if (m_xRange) {
        const int n = pointCount();
        return n <= 1 ? m_xLower : m_xLower + (m_xUpper - m_xLower) * i / (n - 1);
    }
    return i;
}

bool Layer::xAscending() const
{
    checkOrder();
    return m_sorted && xData() != nullptr;
}

void Layer::checkOrder() const
{
    if (m_orderChecked)
        return;
    m_orderChecked = true;
    const int n = pointCount();
    int b = 0;
    while (b < n && !Chart::isValid(xAt(b)))
        ++b;
    int e = n;
    while (e > b && !Chart::isValid(xAt(e - 1)))
        --e;
    m_validBegin = b;
    m_validEnd = e;
    m_sorted = true;
    if (m_promisedSorted)
        return;
    if (const double *x = xData()) {
        // Blocks without early exit inside, so that the compiler can vectorise.
        for (int i = b + 1; i < e && m_sorted; i += 4096) {
            const int end = qMin(e, i + 4096);
            int bad = 0;
            for (int k = i; k < end; ++k)
                bad |= !(x[k] >= x[k - 1]) | !(x[k] < 1.0e300) | !(x[k] > -1.0e300);
            m_sorted = bad == 0;
        }
    } else {
        m_sorted = !m_xRange || m_xUpper >= m_xLower;
    }
}

bool Layer::xRange(double &lo, double &hi) const
{
    checkOrder();
    if (m_validBegin >= m_validEnd)
        return false;
    if (m_sorted) {
        lo = xAt(m_validBegin);
        hi = xAt(m_validEnd - 1);
        return true;
    }
    lo = std::numeric_limits<double>::max();
    hi = -lo;
    for (int i = m_validBegin; i < m_validEnd; ++i) {
        const double v = xAt(i);
        if (Chart::isValid(v)) {
            lo = qMin(lo, v);
            hi = qMax(hi, v);
        }
    }
    return lo <= hi;
}

int Layer::getXIndexOf(double x, double tolerance) const
{
    checkOrder();
    if (!Chart::isValid(x))
        return -1;
    tolerance = std::fabs(tolerance);
    if (m_sorted) {
        int lo = m_validBegin;
        int hi = m_validEnd;
        while (lo < hi) {
            const int mid = lo + (hi - lo) / 2;
            if (xAt(mid) < x - tolerance)
                lo = mid + 1;
            else
                hi = mid;
        }
        return lo < m_validEnd && std::fabs(xAt(lo) - x) <= tolerance ? lo : -1;
    }
    for (int i = m_validBegin; i < m_validEnd; ++i) {
        if (std::fabs(xAt(i) - x) <= tolerance)
            return i;
    }
    return -1;
}

bool Layer::nearestX(double v, double &nearest) const
{
    checkOrder();
    if (m_validBegin >= m_validEnd || std::isnan(v))
        return false;
    if (m_sorted) {
        int lo = m_validBegin;
        int hi = m_validEnd;
        while (lo < hi) {
            const int mid = lo + (hi - lo) / 2;
            if (xAt(mid) < v)
                lo = mid + 1;
            else
                hi = mid;
        }
        double best = lo < m_validEnd ? xAt(lo) : xAt(m_validEnd - 1);
        if (lo > m_validBegin && std::fabs(xAt(lo - 1) - v) <= std::fabs(best - v))
            best = xAt(lo - 1);
        nearest = best;
        return true;
    }
    bool found = false;
    for (int i = m_validBegin; i < m_validEnd; ++i) {
        const double x = xAt(i);
        if (Chart::isValid(x) && (!found || std::fabs(x - v) < std::fabs(nearest - v))) {
            nearest = x;
            found = true;
        }
    }
    return found;
}
