#include "ChartHistory.h"

#include "core/NoValue.h"

#include <algorithm>

ChartHistory::ChartHistory()
{
    m_times.fill(NoValue);
    m_ch1.fill(NoValue);
    m_ch2.fill(NoValue);
}

void ChartHistory::add(double time, double ch1, double ch2)
{
    if (m_times.back() != time) {
        std::copy(m_times.begin() + 1, m_times.end(), m_times.begin());
        std::copy(m_ch1.begin() + 1, m_ch1.end(), m_ch1.begin());
        std::copy(m_ch2.begin() + 1, m_ch2.end(), m_ch2.begin());
        m_times.back() = time;
    }
    m_ch1.back() = ch1;
    m_ch2.back() = ch2;
}

void ChartHistory::copyTo(double *times, double *ch1, double *ch2) const
{
    if (times)
        std::copy(m_times.begin(), m_times.end(), times);
    if (ch1)
        std::copy(m_ch1.begin(), m_ch1.end(), ch1);
    if (ch2)
        std::copy(m_ch2.begin(), m_ch2.end(), ch2);
}
