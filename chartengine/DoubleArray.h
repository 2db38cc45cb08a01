#pragma once

#include <QVector>

// A read-only view of doubles handed to a chart. Built from a pointer it borrows
// the caller's memory, which must outlive the chart; built from a QVector it
// shares the vector's buffer, so even a slice of a large series costs no copy.
class DoubleArray
{
public:
    DoubleArray() = default;
    DoubleArray(const double *data, int len) : m_data(data), m_len(data && len > 0 ? len : 0) {}
    explicit DoubleArray(const QVector<double> &v, int offset = 0, int len = -1) : m_keep(v)
    {
        const int n = v.size();
        offset = qBound(0, offset, n);
        len = len < 0 ? n - offset : qMin(len, n - offset);
        m_data = m_keep.constData() + offset;
        m_len = len;
    }

    const double *data() const { return m_data; }
    int len() const { return m_len; }
    bool isEmpty() const { return m_len == 0; }
    double operator[](int i) const { return m_data[i]; }

private:
    QVector<double> m_keep;
    const double *m_data = nullptr;
    int m_len = 0;
};
