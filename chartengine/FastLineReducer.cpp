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
                             int minCol, int maxCol, bool fast, std::vector<QPointF> &out)
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
    ColumnBuffer columns(out);
    for (int i = 0; i < n; ++i) {
        const double xv = x ? x[i] : i;
        const double yv = y[i];
        if (!(Chart::isValid(xv) && Chart::isValid(yv))) {
            columns.lineBreak();
            continue;
        }
        double c = xv * scale + offset;
        c = c < lo ? lo : (c > hi ? hi : c);
        // c >= minCol, so truncation after the shift is floor.
        const int col = static_cast<int>(c - lo) + minCol;
        columns.add(col, xv, yv);
    }
    columns.flush();
    if (!out.empty() && isBreak(out.back()))
        out.pop_back();
}
