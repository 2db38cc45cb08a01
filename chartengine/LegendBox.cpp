#include "LegendBox.h"

#include "ChartCore.h"

LegendBox::LegendBox(ChartCore *core, int x, int y, bool vertical, const QString &font,
                     double fontSize)
    : TextBox(core, QString(), font, fontSize, Chart::TextColor), m_x(x), m_y(y),
      m_vertical(vertical)
{
}

void LegendBox::setLineStyleKey(bool lineStyle)
{
    m_lineStyleKey = lineStyle;
    m_core->invalidate();
}
