#pragma once

#include "Chart.h"

class ChartCore;

// A rectangular chart element with a background and an edge.
class Box
{
public:
    explicit Box(ChartCore *core) : m_core(core) {}
    virtual ~Box() = default;
    Box(const Box &) = delete;
    Box &operator=(const Box &) = delete;

    void setBackground(int color, int edgeColor = Chart::Transparent, int raisedEffect = 0);
    int backgroundColor() const { return m_bgColor; }
    int edgeColor() const { return m_edgeColor; }
    int raisedEffect() const { return m_raisedEffect; }

protected:
    ChartCore *m_core;

private:
    int m_bgColor = Chart::Transparent;
    int m_edgeColor = Chart::Transparent;
    int m_raisedEffect = 0;
};
