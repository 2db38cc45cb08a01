#include "Box.h"

#include "ChartCore.h"

void Box::setBackground(int color, int edgeColor, int raisedEffect)
{
    Q_UNUSED(raisedEffect)
    m_bgColor = color;
    m_edgeColor = edgeColor;
    m_core->invalidate();
}
