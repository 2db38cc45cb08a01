#include "PlotArea.h"

#include "ChartCore.h"

void PlotArea::set(int x, int y, int width, int height, int bgColor, int altBgColor, int edgeColor,
                   int hGridColor, int vGridColor)
{
    // Geometry is kept inside a sane range so that coordinate maths cannot overflow.
    m_x = qBound(-100000, x, 100000);
    m_y = qBound(-100000, y, 100000);
    m_width = qBound(0, width, 100000);
    m_height = qBound(0, height, 100000);
    m_bgColor = bgColor;
    m_altBgColor = altBgColor == -1 ? Chart::Transparent : altBgColor;
    m_edgeColor = edgeColor == -1 ? Chart::LineColor : edgeColor;
    m_hGridColor = hGridColor;
    m_vGridColor = vGridColor;
    m_core->invalidate();
}

void PlotArea::setBackground(int color, int altBgColor, int edgeColor)
{
    m_bgColor = color;
    m_altBgColor = altBgColor == -1 ? Chart::Transparent : altBgColor;
    if (edgeColor != -1)
        m_edgeColor = edgeColor;
    m_core->invalidate();
}

void PlotArea::setGridColor(int hGridColor, int vGridColor)
{
    m_hGridColor = hGridColor;
    m_vGridColor = vGridColor;
    m_core->invalidate();
}
