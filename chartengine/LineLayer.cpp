#include "LineLayer.h"

#include "ChartCore.h"
#include "FastLineReducer.h"

LineLayer::LineLayer(ChartCore *core, int dataCombineMethod, int depth)
    : Layer(core, dataCombineMethod, depth)
{
}

void LineLayer::setFastLineMode(bool fast)
{
    m_fast = fast;
    m_core->invalidate();
}

void LineLayer::setLineBreaks(const QVector<int> &beforeIndices)
{
    m_breaks = beforeIndices;
    m_core->invalidate();
}

void LineLayer::reduce(double scale, double offset, int minCol, int maxCol)
{
    const int n = pointCount();
    m_reduced.assign(static_cast<size_t>(getDataSetCount()), {});
    // Explicit x arrays are read in place; only an evenly spaced range is generated.
    std::vector<double> generated;
    const double *x = xData();
    if (!x && hasXData()) {
        generated.resize(static_cast<size_t>(n));
        for (int i = 0; i < n; ++i)
            generated[static_cast<size_t>(i)] = xAt(i);
        x = generated.data();
    }
    const bool ascending = m_fast && x == xData() && xAscending();
    for (int k = 0; k < getDataSetCount(); ++k) {
        const DataSet *d = getDataSet(k);
        FastLineReducer::reduce(x, d->data().data(), qMin(n, d->count()), m_breaks, scale, offset,
                                minCol, maxCol, m_fast, m_reduced[static_cast<size_t>(k)],
                                ascending);
    }
}
