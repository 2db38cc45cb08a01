#pragma once

#include <QPointF>

#include <vector>

// Reduces a line to what its pixel columns can show. Points map to columns by
// floor(x * scale + offset), clamped to [minCol, maxCol] so that everything
// left or right of the plot shares one column. A column with more than four
// points keeps its first, lowest, highest and last point in their original
// order, which draws the same pixels as the full line. Invalid points (no-value,
// NaN, infinity) break the line; breaks are stored as points with NaN y.
class FastLineReducer
{
public:
    // x may be null: the index is the x value then.
    static void reduce(const double *x, const double *y, int n, double scale, double offset,
                       int minCol, int maxCol, bool fast, std::vector<QPointF> &out);
    static bool isBreak(const QPointF &p);
};
