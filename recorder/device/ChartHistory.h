#pragma once

#include <array>

// The last points of a device's live chart: three fixed arrays that move
// together, oldest first, shifted in place without allocation.
class ChartHistory
{
public:
    static constexpr int Size = 240;

    ChartHistory();

    // A point whose time equals the newest one replaces it (a refresh answer
    // after a record poll); any other time shifts the history by one.
    void add(double time, double ch1, double ch2);
    void copyTo(double *times, double *ch1, double *ch2) const;

    const double *times() const { return m_times.data(); }
    const double *ch1() const { return m_ch1.data(); }
    const double *ch2() const { return m_ch2.data(); }

private:
    std::array<double, Size> m_times;
    std::array<double, Size> m_ch1;
    std::array<double, Size> m_ch2;
};
