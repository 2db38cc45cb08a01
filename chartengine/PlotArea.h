#pragma once

#include "Chart.h"

class ChartCore;

// The rectangle the layers are drawn in, with its background and grid.
class PlotArea
{
public:
    explicit PlotArea(ChartCore *core) : m_core(core) {}
    PlotArea(const PlotArea &) = delete;
    PlotArea &operator=(const PlotArea &) = delete;

    void set(int x, int y, int width, int height, int bgColor, int altBgColor, int edgeColor,
             int hGridColor, int vGridColor);
    void setBackground(int color, int altBgColor = -1, int edgeColor = -1);
    void setGridColor(int hGridColor, int vGridColor = Chart::Transparent);

    int getLeftX() const { return m_x; }
    int getTopY() const { return m_y; }
    int getRightX() const { return m_x + m_width; }
    int getBottomY() const { return m_y + m_height; }
    int getWidth() const { return m_width; }
    int getHeight() const { return m_height; }

    int bgColor() const { return m_bgColor; }
    int altBgColor() const { return m_altBgColor; }
    int edgeColor() const { return m_edgeColor; }
    int hGridColor() const { return m_hGridColor; }
    int vGridColor() const { return m_vGridColor; }

private:
    ChartCore *m_core;
    int m_x = 0;
    int m_y = 0;
    int m_width = 0;
    int m_height = 0;
    int m_bgColor = Chart::Transparent;
    int m_altBgColor = Chart::Transparent;
    int m_edgeColor = Chart::Transparent;
    int m_hGridColor = Chart::Transparent;
    int m_vGridColor = Chart::Transparent;
};
