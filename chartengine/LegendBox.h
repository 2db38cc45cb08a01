#pragma once

#include "TextBox.h"

// The legend: one key and name per named data set, in a row or a column.
class LegendBox : public TextBox
{
public:
    LegendBox(ChartCore *core, int x, int y, bool vertical, const QString &font, double fontSize);

    // Keys drawn as short lines in the data set colour instead of squares.
    void setLineStyleKey(bool lineStyle = true);
    bool lineStyleKey() const { return m_lineStyleKey; }
    int x() const { return m_x; }
    int y() const { return m_y; }
    bool vertical() const { return m_vertical; }

private:
    int m_x;
    int m_y;
    bool m_vertical;
    bool m_lineStyleKey = false;
};
