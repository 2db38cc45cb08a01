#pragma once

#include <QString>

#include <functional>
#include <memory>
#include <vector>

class ColorTable;
class QPainter;
class TTFText;

// A drawing surface kept as a list of paint commands, so that an overlay can be
// cleared and redrawn on a finished chart without rebuilding it.
class DrawArea
{
public:
    DrawArea(ColorTable *colors, int width, int height);
    ~DrawArea();
    DrawArea(const DrawArea &) = delete;
    DrawArea &operator=(const DrawArea &) = delete;

    int getWidth() const { return m_width; }
    int getHeight() const { return m_height; }

    void vline(int y1, int y2, int x, int color);
    void hline(int x1, int x2, int y, int color);
    void line(double x1, double y1, double x2, double y2, int color, int lineWidth = 1);
    void rect(int x1, int y1, int x2, int y2, int edgeColor, int fillColor);
    void circle(int cx, int cy, int rx, int ry, int edgeColor, int fillColor);
    int dashLineColor(int color, int dashPattern = 0x0505);
    // The text stays owned by the draw area until destroy() or clear().
    TTFText *text3(const QString &text, const QString &font, double fontSize);
    void clear();
    bool isEmpty() const { return m_commands.empty(); }
    void paint(QPainter &p) const;

    const ColorTable &colors() const { return *m_colors; }
    void addCommand(std::function<void(QPainter &)> command);
    void releaseText(TTFText *text);

private:
    ColorTable *m_colors;
    int m_width;
    int m_height;
    std::vector<std::function<void(QPainter &)>> m_commands;
    std::vector<std::unique_ptr<TTFText>> m_texts;
};
