#pragma once

#include "DataSet.h"
#include "DoubleArray.h"

#include <QPointF>

#include <memory>
#include <vector>

class Axis;
class ChartCore;
class ColorTable;

// A layer of an XY chart: shared x data and any number of data sets.
class Layer
{
public:
    Layer(ChartCore *core, int dataCombineMethod, int depth);
    virtual ~Layer();
    Layer(const Layer &) = delete;
    Layer &operator=(const Layer &) = delete;

    void setXData(const DoubleArray &x);
    // The caller promises that the x values between the first and the last
    // valid one are valid and ascend, as a sorted source can (the viewer's
    // aligned series); the order pass over every value is skipped then.
    void setXDataSorted(bool sorted);
    // Evenly spaced x values from lower to upper.
    void setXData(double lower, double upper);
    DataSet *addDataSet(const DoubleArray &data, int color = -1, const QString &name = QString());
    void setLineWidth(int width);

    int getDataSetCount() const { return static_cast<int>(m_dataSets.size()); }
    DataSet *getDataSet(int i) const;
    DataSet *getDataSetByZ(int i) const { return getDataSet(i); }
    // Index of the point with exactly that x value, -1 when there is none.
    int getXIndexOf(double x, double tolerance = 0) const;
    // The data x nearest to v among drawable points; false when there are none.
    bool nearestX(double v, double &nearest) const;

    int pointCount() const;
    // The x array, null when x values are indices or an evenly spaced range.
    const double *xData() const { return m_x.isEmpty() ? nullptr : m_x.data(); }
    double xAt(int i) const;
    bool hasXData() const { return !m_x.isEmpty() || m_xRange; }
    // Smallest and largest valid x value; false when there is none.
    bool xRange(double &lo, double &hi) const;
    int lineWidth() const { return m_lineWidth; }
    Axis *yAxis() const;
    const ColorTable &colorTable() const;

    // Reduces every data set for the given x mapping; keeps the result for drawing.
    virtual void reduce(double scale, double offset, int minCol, int maxCol) = 0;
    const std::vector<QPointF> &reduced(int dataSet) const { return m_reduced[dataSet]; }

protected:
    // True when the x data is an explicit array ascending over its valid part.
    bool xAscending() const;
    ChartCore *m_core;
    std::vector<std::vector<QPointF>> m_reduced;

private:
    // Where the valid x values form one ascending run, lookups bisect it.
    void checkOrder() const;

    DoubleArray m_x;
    bool m_xRange = false;
    double m_xLower = 0;
    double m_xUpper = 0;
    int m_lineWidth = 1;
    std::vector<std::unique_ptr<DataSet>> m_dataSets;
    bool m_promisedSorted = false;
    mutable bool m_orderChecked = false;
    mutable bool m_sorted = false;
    mutable int m_validBegin = 0;
    mutable int m_validEnd = 0;
};
