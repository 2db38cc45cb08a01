#include "TextBox.h"

#include "ChartCore.h"

TextBox::TextBox(ChartCore *core, const QString &text, const QString &font, double fontSize,
                 int color)
    : Box(core), m_text(text), m_font(font), m_fontSize(fontSize), m_color(color)
{
}

void TextBox::setText(const QString &text)
{
    m_text = text;
    m_core->invalidate();
}

void TextBox::setFontStyle(const QString &font)
{
    m_font = font;
    m_core->invalidate();
}

void TextBox::setFontSize(double size)
{
    m_fontSize = size;
    m_core->invalidate();
}

void TextBox::setFontColor(int color)
{
    m_color = color;
    m_core->invalidate();
}

void TextBox::setMargin(int margin)
{
    m_margin = qBound(0, margin, 1000);
    m_core->invalidate();
}
