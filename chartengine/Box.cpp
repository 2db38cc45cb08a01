#include "Box.h"

#include "ChartCore.h"

void Box::setBackground(int color, int edgeColor, int raisedEffect)
{
    m_bgColor = color;
    m_raisedEffect = qBound(0, raisedEffect, 50);
    m_edgeColor = edgeColor;
    m_core->invalidate();
}
