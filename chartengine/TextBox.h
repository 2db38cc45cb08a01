#pragma once

#include "Box.h"

#include <QString>

// A box holding one mark-up text, such as a chart title.
class TextBox : public Box
{
public:
    TextBox(ChartCore *core, const QString &text, const QString &font, double fontSize, int color);

    void setText(const QString &text);
    void setFontStyle(const QString &font);
    void setFontSize(double size);
    void setFontColor(int color);
    void setMargin(int margin);

    QString text() const { return m_text; }
    QString font() const { return m_font; }
    double fontSize() const { return m_fontSize; }
    int fontColor() const { return m_color; }
    int margin() const { return m_margin; }

private:
    QString m_text;
    QString m_font;
    double m_fontSize;
    int m_color;
    int m_margin = 2;
};
