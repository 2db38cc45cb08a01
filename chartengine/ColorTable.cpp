#include "ColorTable.h"

#include <QLinearGradient>

namespace {
constexpr unsigned HandleBase = 0xff800000u;
constexpr unsigned HandleMask = 0xfff00000u;
} // namespace

QColor ColorTable::toQColor(int code)
{
    const unsigned c = static_cast<unsigned>(code);
    const int alpha = 255 - static_cast<int>(c >> 24);
    return QColor((c >> 16) & 0xff, (c >> 8) & 0xff, c & 0xff, alpha);
}

bool ColorTable::isHandle(int code)
{
    return (static_cast<unsigned>(code) & HandleMask) == HandleBase;
}

const ColorTable::Entry *ColorTable::entry(int code) const
{
    if (!isHandle(code))
        return nullptr;
    const int index = static_cast<int>(static_cast<unsigned>(code) & 0xfffffu);
    return index < m_entries.size() ? &m_entries[index] : nullptr;
}

int ColorTable::add(const Entry &e)
{
    if (m_entries.size() >= MaxEntries)
        return static_cast<int>(0xff000000u);
    m_entries.append(e);
    return static_cast<int>(HandleBase | static_cast<unsigned>(m_entries.size() - 1));
}

int ColorTable::linearGradient(int x1, int y1, int x2, int y2, int startColor, int endColor)
{
    Entry e;
    e.gradient = true;
    e.x1 = x1;
    e.y1 = y1;
    e.x2 = x2;
    e.y2 = y2;
    e.color = plainCode(startColor);
    e.color2 = plainCode(endColor);
    return add(e);
}

int ColorTable::dashLineColor(int color, int dashPattern)
{
    Entry e;
    e.color = plainCode(color);
    e.dashPattern = dashPattern;
    return add(e);
}

int ColorTable::plainCode(int code) const
{
    if (const Entry *e = entry(code))
        return e->color;
    return isHandle(code) ? static_cast<int>(0xff000000u) : code;
}

bool ColorTable::isTransparent(int code) const
{
    if (isHandle(code))
        return entry(code) == nullptr;
    return (static_cast<unsigned>(code) >> 24) == 0xff;
}

QColor ColorTable::baseColor(int code) const
{
    if (const Entry *e = entry(code))
        return toQColor(e->color);
    if (isHandle(code))
        return QColor(0, 0, 0, 0);
    return toQColor(code);
}

QBrush ColorTable::brush(int code) const
{
    const Entry *e = entry(code);
    if (e && e->gradient) {
        QLinearGradient g(e->x1, e->y1, e->x2, e->y2);
        if (e->x1 == e->x2 && e->y1 == e->y2)
            g.setFinalStop(e->x2, e->y2 + 1);
        g.setColorAt(0, toQColor(e->color));
        g.setColorAt(1, toQColor(e->color2));
        return QBrush(g);
    }
    const QColor c = baseColor(code);
    return c.alpha() == 0 ? QBrush(Qt::NoBrush) : QBrush(c);
}

QPen ColorTable::pen(int code, double width) const
{
    const QColor c = baseColor(code);
    if (c.alpha() == 0)
        return QPen(Qt::NoPen);
    QPen p(c, width);
    p.setCapStyle(Qt::FlatCap);
    p.setJoinStyle(Qt::RoundJoin);
    const Entry *e = entry(code);
    if (e && !e->gradient && e->dashPattern) {
        QVector<qreal> dashes;
        for (int shift = 0; shift < 32; shift += 8) {
            const int len = (e->dashPattern >> shift) & 0xff;
            if (len == 0)
                break;
            dashes.append(len / qMax(1.0, width));
        }
        if (dashes.size() % 2)
            dashes.append(dashes.last());
        if (!dashes.isEmpty())
            p.setDashPattern(dashes);
    }
    return p;
}
