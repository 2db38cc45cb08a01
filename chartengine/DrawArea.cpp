#include "DrawArea.h"

#include "ColorTable.h"
#include "TTFText.h"

#include <QPainter>

#include <algorithm>

DrawArea::DrawArea(ColorTable *colors, int width, int height)
    : m_colors(colors), m_width(width), m_height(height)
{
}

DrawArea::~DrawArea() = default;

void DrawArea::addCommand(std::function<void(QPainter &)> command)
{
    m_commands.push_back(std::move(command));
}

void DrawArea::vline(int y1, int y2, int x, int color)
{
    const QPen pen = m_colors->pen(color, 1);
    if (pen.style() == Qt::NoPen)
        return;
    addCommand([pen, y1, y2, x](QPainter &p) {
        p.setRenderHint(QPainter::Antialiasing, false);
        p.setPen(pen);
        p.drawLine(x, qMin(y1, y2), x, qMax(y1, y2));
    });
}

void DrawArea::hline(int x1, int x2, int y, int color)
{
    const QPen pen = m_colors->pen(color, 1);
    if (pen.style() == Qt::NoPen)
        return;
    addCommand([pen, x1, x2, y](QPainter &p) {
        p.setRenderHint(QPainter::Antialiasing, false);
        p.setPen(pen);
        p.drawLine(qMin(x1, x2), y, qMax(x1, x2), y);
    });
}

void DrawArea::line(double x1, double y1, double x2, double y2, int color, int lineWidth)
{
    const QPen pen = m_colors->pen(color, qBound(1, lineWidth, 100));
    if (pen.style() == Qt::NoPen)
        return;
    addCommand([pen, x1, y1, x2, y2](QPainter &p) {
        p.setRenderHint(QPainter::Antialiasing, true);
        p.setPen(pen);
        p.drawLine(QPointF(x1, y1), QPointF(x2, y2));
    });
}

void DrawArea::rect(int x1, int y1, int x2, int y2, int edgeColor, int fillColor)
{
    const QRect r = QRect(QPoint(x1, y1), QPoint(x2, y2)).normalized();
    const QBrush brush = m_colors->brush(fillColor);
    const QPen pen = m_colors->pen(edgeColor, 1);
    addCommand([r, brush, pen](QPainter &p) {
        p.setRenderHint(QPainter::Antialiasing, false);
        p.fillRect(r, brush);
        if (pen.style() != Qt::NoPen) {
            p.setPen(pen);
            p.setBrush(Qt::NoBrush);
            p.drawRect(r.adjusted(0, 0, -1, -1));
        }
    });
}

void DrawArea::circle(int cx, int cy, int rx, int ry, int edgeColor, int fillColor)
{
    const QBrush brush = m_colors->brush(fillColor);
    const QPen pen = m_colors->pen(edgeColor, 1);
    const QRectF r(cx - std::abs(rx), cy - std::abs(ry), 2.0 * std::abs(rx), 2.0 * std::abs(ry));
    addCommand([r, brush, pen](QPainter &p) {
        p.setRenderHint(QPainter::Antialiasing, true);
        p.setPen(pen);
        p.setBrush(brush);
        p.drawEllipse(r);
    });
}

int DrawArea::dashLineColor(int color, int dashPattern)
{
    return m_colors->dashLineColor(color, dashPattern);
}

TTFText *DrawArea::text3(const QString &text, const QString &font, double fontSize)
{
    m_texts.push_back(std::make_unique<TTFText>(this, text, font, fontSize));
    return m_texts.back().get();
}

void DrawArea::releaseText(TTFText *text)
{
    auto it = std::find_if(m_texts.begin(), m_texts.end(),
                           [text](const std::unique_ptr<TTFText> &t) { return t.get() == text; });
    if (it != m_texts.end())
        m_texts.erase(it);
}

void DrawArea::clear()
{
    m_commands.clear();
    m_texts.clear();
}

void DrawArea::paint(QPainter &p) const
{
    for (const auto &command : m_commands) {
        p.save();
        command(p);
        p.restore();
    }
}
