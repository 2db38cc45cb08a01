#include "FastLineReducer.h"

#include "Chart.h"

#include <cmath>
#include <limits>

namespace {

class ColumnBuffer
{
public:
    explicit ColumnBuffer(std::vector<QPointF> &out) : m_out(out) {}

    void add(int col, double x, double y)
    {
        if (m_count > 0 && col != m_col)
            flush();
        m_col = col;
        if (m_count < 4) {
            m_pts[m_count] = {x, y, m_count};
            if (m_count == 0 || y < m_min.y)
                m_min = m_pts[m_count];
            if (m_count == 0 || y > m_max.y)
                m_max = m_pts[m_count];
        } else {
            if (y < m_min.y)
                m_min = {x, y, m_count};
            if (y > m_max.y)
                m_max = {x, y, m_count};
        }
        m_last = {x, y, m_count};
        ++m_count;
    }

    // The same as add() for each point of [from, to) in one column, as long as
    // the y values are valid; returns where an invalid one stops the run
    // (to when none does).
    int addRun(int col, const double *x, const double *y, int from, int to)
    {
        if (m_count > 0 && col != m_col)
            flush();
        if (m_count > 0 || to - from <= 4) {
            for (int k = from; k < to; ++k) {
                if (!Chart::isValid(y[k]))
                    return k;
                add(col, x[k], y[k]);
            }
            return to;
        }
        // Branch-free pass for the extremes and validity, then the first
        // index of each extreme.
        double minY = y[from];
        double maxY = y[from];
        int valid = 1;
        for (int k = from; k < to; ++k) {
            const double v = y[k];
            minY = v < minY ? v : minY;
            maxY = v > maxY ? v : maxY;
            valid &= (v < 1.0e300) & (v > -1.0e300);
        }
        if (!valid) {
            int stop = from;
            while (Chart::isValid(y[stop]))
                ++stop;
            addRun(col, x, y, from, stop);
            return stop;
        }
        m_col = col;
        for (int j = 0; j < 4; ++j)
            m_pts[j] = {x[from + j], y[from + j], j};
        int minAt = from;
        while (y[minAt] != minY)
            ++minAt;
        int maxAt = from;
        while (y[maxAt] != maxY)
            ++maxAt;
        m_min = {x[minAt], minY, minAt - from};
        m_max = {x[maxAt], maxY, maxAt - from};
        m_last = {x[to - 1], y[to - 1], to - 1 - from};
        m_count = to - from;
        return to;
    }

    void lineBreak()
    {
        flush();
        if (!m_out.empty() && !FastLineReducer::isBreak(m_out.back()))
            m_out.emplace_back(0.0, std::numeric_limits<double>::quiet_NaN());
    }

    void flush()
    {
        if (m_count == 0)
            return;
        if (m_count <= 4) {
            for (int i = 0; i < m_count; ++i)
                m_out.emplace_back(m_pts[i].x, m_pts[i].y);
        } else {
            // A dense column's zigzag fills the whole box between its first and
            // last x and its lowest and highest y; tracing the extremes at both
            // ends of that x span covers the same pixels.
            const Pt &a = m_min.index <= m_max.index ? m_min : m_max;
            const Pt &b = m_min.index <= m_max.index ? m_max : m_min;
            const double xFirst = m_pts[0].x;
            const double xLast = m_last.x;
            m_out.emplace_back(xFirst, m_pts[0].y);
            m_out.emplace_back(xFirst, a.y);
            m_out.emplace_back(xFirst, b.y);
            m_out.emplace_back(xLast, b.y);
            m_out.emplace_back(xLast, a.y);
            m_out.emplace_back(xLast, m_last.y);
        }
        m_count = 0;
    }

private:
    struct Pt
    {
        double x;
        double y;
        int index;
    };
    std::vector<QPointF> &m_out;
    Pt m_pts[4] = {};
    Pt m_min = {};
    Pt m_max = {};
    Pt m_last = {};
    int m_count = 0;
    int m_col = 0;
};

} // namespace

bool FastLineReducer::isBreak(const QPointF &p)
{
    return std::isnan(p.y());
}

void FastLineReducer::reduce(const double *x, const double *y, int n, double scale, double offset,
                             int minCol, int maxCol, bool fast, std::vector<QPointF> &out,
                             bool xAscending)
{
    out.clear();
    if (!y || n <= 0)
        return;
    if (!std::isfinite(scale) || !std::isfinite(offset))
        fast = false;
    if (!fast) {
        out.reserve(static_cast<size_t>(n) + 1);
        for (int i = 0; i < n; ++i) {
            const double xv = x ? x[i] : i;
            if (Chart::isValid(xv) && Chart::isValid(y[i]))
                out.emplace_back(xv, y[i]);
            else if (!out.empty() && !isBreak(out.back()))
                out.emplace_back(0.0, std::numeric_limits<double>::quiet_NaN());
        }
        if (!out.empty() && isBreak(out.back()))
            out.pop_back();
        return;
    }
    const double lo = minCol;
    const double hi = maxCol;
    auto columnOf = [&](double xv) {
        double c = xv * scale + offset;
        c = c < lo ? lo : (c > hi ? hi : c);
        // c >= minCol, so truncation after the shift is floor.
        return static_cast<int>(c - lo) + minCol;
    };
    ColumnBuffer columns(out);
    if (x && xAscending) {
        // Columns are runs of consecutive points: find each run's end by
        // galloping and bisection, then scan its y values in one loop.
        for (int i = 0; i < n;) {
            const double xv = x[i];
            if (!(Chart::isValid(xv) && Chart::isValid(y[i]))) {
                columns.lineBreak();
                ++i;
                continue;
            }
            const int col = columnOf(xv);
            int step = 1;
            int inside = i;
            int outside = n;
            while (inside + step < n) {
                const double xs = x[inside + step];
                if (!Chart::isValid(xs) || columnOf(xs) != col) {
                    outside = inside + step;
                    break;
                }
                inside += step;
                step *= 2;
            }
            while (outside - inside > 1) {
                const int mid = inside + (outside - inside) / 2;
                if (Chart::isValid(x[mid]) && columnOf(x[mid]) == col)
                    inside = mid;
                else
                    outside = mid;
            }
            // [i, outside) share the column; a missing y value splits it.
            for (int from = i; from < outside;) {
                const int stop = columns.addRun(col, x, y, from, outside);
                if (stop < outside)
                    columns.lineBreak();
                from = stop + 1;
            }
            i = outside;
        }
        columns.flush();
        if (!out.empty() && isBreak(out.back()))
            out.pop_back();
        return;
    }
    for (int i = 0; i < n; ++i) {
        const double xv = x ? x[i] : i;
        const double yv = y[i];
        if (!(Chart::isValid(xv) && Chart::isValid(yv))) {
            columns.lineBreak();
            continue;
        }
        columns.add(columnOf(xv), xv, yv);
    }
    columns.flush();
    if (!out.empty() && isBreak(out.back()))
        out.pop_back();
}

void FastLineReducer::reduce(const double *x, const double *y, int n, const QVector<int> &breaks,
                             double scale, double offset, int minCol, int maxCol, bool fast,
                             std::vector<QPointF> &out, bool xAscending)
{
    if (breaks.isEmpty()) {
        reduce(x, y, n, scale, offset, minCol, maxCol, fast, out, xAscending);
        return;
    }
    out.clear();
    if (!y || n <= 0)
        return;
    std::vector<double> indices;
    if (!x) {
        indices.resize(static_cast<size_t>(n));
        for (int i = 0; i < n; ++i)
            indices[static_cast<size_t>(i)] = i;
        x = indices.data();
    }
    std::vector<QPointF> part;
    int from = 0;
    for (int b = 0; b <= breaks.size(); ++b) {
        const int to = b < breaks.size() ? qBound(from, breaks.at(b), n) : n;
        if (to == from)
            continue;
        reduce(x + from, y + from, to - from, scale, offset, minCol, maxCol, fast, part,
               xAscending);
        if (!part.empty()) {
            if (!out.empty())
                out.emplace_back(0.0, std::numeric_limits<double>::quiet_NaN());
            out.insert(out.end(), part.begin(), part.end());
        }
        from = to;
    }
}
