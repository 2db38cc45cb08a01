#include "TTFText.h"

#include "ColorTable.h"
#include "DrawArea.h"
#include "MarkupText.h"

#include <QPainter>

TTFText::TTFText(DrawArea *area, const QString &text, const QString &font, double fontSize)
    : m_area(area), m_layout(std::make_shared<MarkupText>(text, font, fontSize))
{
}

TTFText::~TTFText() = default;

int TTFText::getWidth() const
{
    return m_layout->width();
}

int TTFText::getHeight() const
{
    return m_layout->height();
}

void TTFText::alignedOrigin(int alignment, double x, double y, double w, double h, double &left,
                            double &top)
{
    if (alignment < Chart::BottomLeft || alignment > Chart::TopRight)
        alignment = Chart::TopLeft;
    const int col = (alignment - 1) % 3; // 0 left, 1 centre, 2 right
    const int row = (alignment - 1) / 3; // 0 bottom, 1 middle, 2 top
    left = col == 0 ? x : col == 1 ? x - w / 2 : x - w;
    top = row == 2 ? y : row == 1 ? y - h / 2 : y - h;
}

void TTFText::draw(int x, int y, int color, int alignment)
{
    double left = 0;
    double top = 0;
    alignedOrigin(alignment, x, y, m_layout->widthF(), m_layout->heightF(), left, top);
    const QColor c = m_area->colors().baseColor(color);
    std::shared_ptr<const MarkupText> layout = m_layout;
    m_area->addCommand([layout, left, top, c](QPainter &p) {
        p.setRenderHint(QPainter::TextAntialiasing, true);
        layout->paint(p, left, top, c);
    });
}

void TTFText::destroy()
{
    m_area->releaseText(this);
}
