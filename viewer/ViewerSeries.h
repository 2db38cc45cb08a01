#pragma once

#include "LocalTimeMap.h"

#include <QStringList>
#include <QVector>

#include <memory>

// The aligned data of one chart: the x array (chart times, ascending), the
// reading times they stand for, and one value array per selected channel
// (NoValue where a channel has no sample). The arrays are implicitly shared:
// the chart, the table and the CSV export read the same buffers.
struct ViewerSeries
{
    QVector<double> x;
    QVector<quint32> times;
    QVector<QVector<double>> values;
    QStringList titles;
    std::shared_ptr<const LocalTimeMap> timeMap;

    int rowCount() const { return x.size(); }
    QString localText(int row) const;
};
