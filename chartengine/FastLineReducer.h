#pragma once

#include <QPointF>
#include <QVector>

#include <vector>

// Reduces a line to what its pixel columns can show. Points map to columns by
// floor(x * scale + offset), clamped to [minCol, maxCol] so that everything
// left or right of the plot shares one column. A column of at most four points
// is kept as it is. A denser column's zigzag fills the box between its first and
// last x and its lowest and highest value, so it becomes six points: its first
// point, both extremes (in the order they occur) at the first x, the same
// extremes in reverse at the last x, and its last point. Invalid points
// (no-value, NaN, infinity) break the line; breaks are stored as points with NaN y.
class FastLineReducer
{
public:
    // x may be null: the index is the x value then. xAscending promises that
    // the valid x values ascend (invalid ones only at the ends), which lets a
    // column's points be found by bisection and scanned as one run.
    static void reduce(const double *x, const double *y, int n, double scale, double offset,
                       int minCol, int maxCol, bool fast, std::vector<QPointF> &out,
                       bool xAscending = false);
    // The same with the line also broken before every index in breaks
    // (ascending): point i-1 is not joined to point i.
    static void reduce(const double *x, const double *y, int n, const QVector<int> &breaks,
                       double scale, double offset, int minCol, int maxCol, bool fast,
                       std::vector<QPointF> &out, bool xAscending = false);
    static bool isBreak(const QPointF &p);
};
