#pragma once

#include <QBrush>
#include <QColor>
#include <QPen>
#include <QVector>

// Turns the engine's colour codes into Qt paint objects. Plain codes are
// 0xAARRGGBB with AA as transparency. Gradients and dashed line colours are
// registered per chart and get handle codes in a range that would otherwise be
// invisible (fully transparent), so a stale or foreign handle draws nothing.
class ColorTable
{
public:
    static QColor toQColor(int code);
    static bool isHandle(int code);
    static constexpr int MaxEntries = 0xfffff;

    int linearGradient(int x1, int y1, int x2, int y2, int startColor, int endColor);
    int dashLineColor(int color, int dashPattern);

    bool isTransparent(int code) const;
    QBrush brush(int code) const;
    QPen pen(int code, double width = 1) const;
    // The plain colour behind a code (a gradient's start, a dash's colour).
    QColor baseColor(int code) const;
    int plainCode(int code) const;

private:
    struct Entry
    {
        bool gradient = false;
        int x1 = 0, y1 = 0, x2 = 0, y2 = 0;
        int color = 0;
        int color2 = 0;
        int dashPattern = 0;
    };
    const Entry *entry(int code) const;
    int add(const Entry &e);

    QVector<Entry> m_entries;
};
